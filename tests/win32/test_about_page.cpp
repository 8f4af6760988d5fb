// The About page: the logo's sweeps (one on selecting the page, a loop while the mouse rests on
// the heart or a link), the logo thread's pacing and ending, the version text and the links.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "gadget_fixture.h"
#include "uRegistry.h"
#include "uTfmSettings.h"
#include "uTickCount.h"
#include "uVersionInfo.h"

namespace {

class AboutPage : public testing::Test, protected GadgetHarness {
protected:
    void SetUp() override {
        ClearGadgetSettings();
        StartGadget();
    }
    void TearDown() override {
        dialog.reset();
        StopGadget();
        ClearGadgetSettings();
        EXPECT_TRUE(errors.empty()) << errors.front();
    }
    // A dialog of the test's own, made on the registry as it is now; links are recorded.
    TfmSettings& MakeDialog() {
        dialog = std::make_unique<TfmSettings>();
        dialog->URLOpener = [this](const std::string& url) { opened.push_back(url); };
        return *dialog;
    }
    // Watches the logo position for ms milliseconds; returns the number of sweeps that ended.
    int SweepsEndedWithin(DWORD ms) {
        int ended = 0, last = dialog->FLogoFrame.load();
        application.ProcessMessagesUntil(
            [&] {
                const int now = dialog->FLogoFrame.load();
                if (now == 20 && last != 20) ++ended;
                last = now;
                return false;
            },
            ms);
        return ended;
    }
    bool WaitFor(const std::function<bool()>& done) { return application.ProcessMessagesUntil(done, kGadgetDeadline); }
    static void Move(HWND window, int x, int y) { SendMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(x, y)); }

    std::unique_ptr<TfmSettings> dialog;
    std::vector<std::string> opened;
};

TEST_F(AboutPage, SelectingThePagePlaysOneSweepEndingOnTheSmallestHeart) {
    TfmSettings& d = MakeDialog();
    d.ShowAbout();
    EXPECT_TRUE(IsWindowVisible(d.tsAbout.Handle()));
    EXPECT_EQ(SweepsEndedWithin(2000), 1);
    EXPECT_EQ(LogoFrameSequence[d.FLogoFrame.load()], 0);

    // From the Options page, by the big button.
    d.ShowOptions();
    SendMessageW(d.btnAbout.Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(SweepsEndedWithin(2000), 1);
    // And by ShowAbout on a dialog showing the Options page.
    d.ShowOptions();
    d.ShowAbout();
    EXPECT_TRUE(IsWindowVisible(d.tsAbout.Handle()));
    EXPECT_EQ(SweepsEndedWithin(2000), 1);
}

TEST_F(AboutPage, HoverLoopsOnlyOnTheHeartAndOnTheLinks) {
    TfmSettings& d = MakeDialog();
    d.ShowAbout();
    ASSERT_EQ(SweepsEndedWithin(1500), 1);
    HWND logo = d.pbLogo.Handle();
    struct Case {
        int x, y;
        bool loops;
    };
    const Case cases[] = {
        {84, 80, true},    // the heart (frame 0 shown)
        {45, 40, false},   // the grey background
        {84, 12, false},   // the lettering band
        {20, 80, false},   // the bear, left of the heart's column
        {84, 80, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x << "," << c.y);
        Move(logo, c.x, c.y);
        EXPECT_EQ(d.FLogoThread->FLooping.load(), c.loops);
    }
    // Looping: sweeps follow each other while the mouse stays.
    EXPECT_GE(SweepsEndedWithin(2200), 2);
    SendMessageW(logo, WM_MOUSELEAVE, 0, 0);
    EXPECT_FALSE(d.FLogoThread->FLooping.load());
    EXPECT_LE(SweepsEndedWithin(1500), 1);  // at most the one in progress
    EXPECT_EQ(SweepsEndedWithin(700), 0);

    for (TLinkLabel* link : {&d.lbURLSite, &d.lbURLContact, &d.lbURLMoreSoftware}) {
        Move(link->Handle(), 5, 5);
        EXPECT_TRUE(d.FLogoThread->FLooping.load());
        SendMessageW(link->Handle(), WM_MOUSELEAVE, 0, 0);
        EXPECT_FALSE(d.FLogoThread->FLooping.load());
    }
}

TEST_F(AboutPage, VersionTextComesFromTheVersionResource) {
    EXPECT_EQ(FormatShortVersion(2, 2, 0), "2.20");
    EXPECT_EQ(FormatShortVersion(3, 1, 4), "3.14");
    EXPECT_EQ(FormatShortVersion(0, 0, 0), "0.00");

    int32_t major = 0, minor = 0, release = 0, build = 0;
    GetFileVersion(ExecutablePath(), major, minor, release, build);
    EXPECT_EQ(FormatShortVersion(major, minor, release), ShortVersion);
    EXPECT_GT(major, 0);
    int32_t untouched[4] = {7, 7, 7, 7};
    GetFileVersion(ExecutableDirectory() + "no such file.exe", untouched[0], untouched[1], untouched[2], untouched[3]);
    EXPECT_EQ(untouched[0] + untouched[1] + untouched[2] + untouched[3], 28);

    TfmSettings& d = MakeDialog();
    const std::string text = d.lbVersion.Text();
    EXPECT_EQ(text.substr(0, text.find('\r')), "Version " + ShortVersion);
}

TEST_F(AboutPage, LinksOpenTheDefaultAddressesOrTheStoredWebsite) {
    {
        TfmSettings& d = MakeDialog();
        for (TLinkLabel* link : {&d.lbURLSite, &d.lbURLContact, &d.lbURLMoreSoftware}) {
            SendMessageW(link->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
            SendMessageW(link->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
        }
        EXPECT_EQ(opened, (std::vector<std::string>{DefaultWebsiteURL, DefaultSupportURL, DefaultWebsiteURL}));
        EXPECT_EQ(std::string(DefaultWebsiteURL).rfind("http://", 0), 0u);
        EXPECT_NE(std::string(DefaultWebsiteURL).find("/landing.php?app=velmora&act=app_website"), std::string::npos);
        EXPECT_NE(std::string(DefaultSupportURL).find("/landing.php?app=velmora&act=app_support"), std::string::npos);
    }
    {
        TRegistry registry;
        ASSERT_TRUE(registry.OpenKey(std::string(SettingsBaseKey) + "\\URLs", true));
        registry.WriteString("Website URL", "http://mirror.example/");
        registry.WriteInteger("Support URL", 5);  // not text: the default stays
    }
    opened.clear();
    TfmSettings& d = MakeDialog();
    EXPECT_EQ(d.FWebsiteURL, "http://mirror.example/");
    EXPECT_EQ(d.FSupportURL, DefaultSupportURL);
    SendMessageW(d.lbURLMoreSoftware.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageW(d.lbURLMoreSoftware.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(opened, (std::vector<std::string>{"http://mirror.example/"}));
}

TEST_F(AboutPage, ClosingDuringAHoverLoopEndsTheThreadPromptly) {
    TfmSettings& d = MakeDialog();
    d.ShowAbout();
    d.FLogoThread->Animate(false);
    // Wait until a sweep is under way.
    ASSERT_TRUE(WaitFor([&] {
        const int frame = d.FLogoFrame.load();
        return frame > 2 && frame < 15;
    }));
    const auto start = std::chrono::steady_clock::now();
    dialog.reset();
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(took).count(), 1500);
    EXPECT_EQ(fmSettings, nullptr);
}

// The logo thread alone, with a millisecond counter about to wrap around 2^32.
TEST(LogoThread, SweepPacingSurvivesTheTickCountWrap) {
    TApplication application;
    application.Initialize();
    const uint32_t start = MillisecondTickCount();
    const auto ticks = [start] { return 0xFFFFFF00u + (MillisecondTickCount() - start); };
    std::atomic<int32_t> frame{0};
    std::vector<int32_t> shown;
    std::vector<uint32_t> at;
    TLogoThread thread(frame, [&] {
        shown.push_back(frame.load());
        at.push_back(MillisecondTickCount());
    }, ticks);
    const uint32_t asked = MillisecondTickCount();
    thread.Animate(true);
    ASSERT_TRUE(application.ProcessMessagesUntil([&] { return shown.size() >= 21; }, kGadgetDeadline));
    for (int32_t i = 0; i < 21; ++i) EXPECT_EQ(shown[static_cast<size_t>(i)], i);
    // The 200 ms pause, then 20 waits of at least 20 ms each, across the wrap.
    EXPECT_GE(at[20] - asked, 600u);
    EXPECT_FALSE(thread.FPlayOnce.load());
    application.ProcessMessagesUntil([] { return false; }, 300);
    EXPECT_EQ(shown.size(), 21u);  // one sweep only
}

}  // namespace
