// The gadget's double click under Wine: the action table, the parameter list, the dispatch of
// every action, and the system commands that start programs and documents.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "picture_files.h"
#include "uApplication.h"
#include "uGraphics.h"
#include "uShellUtils.h"
#include "uTfmImageViewer.h"
#include "uTfmMain.h"

namespace {

const DWORD kDeadline = 20000;

class DoubleClick : public testing::Test {
protected:
    void SetUp() override {
        application.Initialize();
        application.SetTitle("Velmora");
        application.OnShowError = [this](const std::string& message) { errors.push_back(message); };
        RegisterPictureFormats();
        fmMain = new TfmMain;
        fmMain->Show();
        TSystemCommands& commands = fmMain->SystemCommands;
        commands.RunProgram = [this](const std::string& text) { calls.push_back("run:" + text); };
        commands.OpenDocument = [this](const std::string& text) { calls.push_back("open:" + text); };
        commands.StartScreenSaver = [this] { calls.push_back("screensaver"); };
        commands.LogOff = [this] { calls.push_back("logoff"); };
        commands.ShutDown = [this] { calls.push_back("shutdown"); };
    }
    void TearDown() override {
        delete fmMain;
        fmMain = nullptr;
        EXPECT_EQ(fmImageViewer, nullptr);
        EXPECT_TRUE(errors.empty()) << errors.front();
    }
    // A real left double click on the window, as the system reports it: the second press starts
    // the window drag, which the release waiting in the queue ends.
    void DoubleClickGadget() {
        PostMessageW(fmMain->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(80, 100));
        SendMessageW(fmMain->Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(80, 100));
        application.ProcessMessagesUntil([] { return false; }, 100);
    }

    TApplication application;
    std::vector<std::string> errors;
    std::vector<std::string> calls;
};

TEST_F(DoubleClick, ActionTableRowsInTheDialogsOrderWithTheirBlanks) {
    const TActionTableRow expected[] = {
        {1000000, "查看图像  "}, {3000000, "打开网页     "}, {2000000, "打开文件 "}, {4000000, "运行程序   "},
        {5000000, "启动默认屏保             "}, {6000000, "注销   "}, {7000000, "关机    "},
    };
    for (int i = 0; i < ActionTableCount; ++i) {
        EXPECT_EQ(ActionTable[i].Id, expected[i].Id) << i;
        EXPECT_STREQ(ActionTable[i].Caption, expected[i].Caption) << i;
    }
}

TEST_F(DoubleClick, FirstRunShowsSampleJpgBesideTheProgramInTheViewer) {
    DoubleClickGadget();
    ASSERT_NE(fmImageViewer, nullptr);
    TfmImageViewer* first = fmImageViewer;
    EXPECT_TRUE(IsWindowVisible(first->Handle()));
    EXPECT_TRUE(first->FLoaded) << first->FImagePath;
    EXPECT_EQ(first->Image->Bitmap().Width(), 640);
    EXPECT_EQ(first->Image->Bitmap().Height(), 480);
    const std::string path = first->FImagePath;
    ASSERT_GE(path.size(), 11u);
    EXPECT_EQ(path.substr(path.size() - 11), "\\sample.jpg");
    EXPECT_TRUE(calls.empty());

    // Again while it is open, and after it was closed: the same viewer window.
    DoubleClickGadget();
    first->btnCloseClick();
    DoubleClickGadget();
    EXPECT_EQ(fmImageViewer, first);
    EXPECT_TRUE(IsWindowVisible(first->Handle()));
}

TEST_F(DoubleClick, EveryActionRunsItsCommandWithItsParameter) {
    fmMain->FActiveAction = ActionOpenFile;
    fmMain->SetActionParam("C:\\文档\\说明.txt");
    fmMain->FActiveAction = ActionRunProgram;
    fmMain->SetActionParam("notepad.exe \"C:\\文档\\说明.txt\"");
    const struct {
        int32_t action;
        const char* call;
    } cases[] = {
        {ActionOpenFile, "open:C:\\文档\\说明.txt"},
        {ActionOpenWebPage, "open:https://www.norvect.com/"},
        {ActionRunProgram, "run:notepad.exe \"C:\\文档\\说明.txt\""},
        {ActionStartScreenSaver, "screensaver"},
        {ActionLogOff, "logoff"},
        {ActionShutDown, "shutdown"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.action);
        calls.clear();
        fmMain->FActiveAction = c.action;
        DoubleClickGadget();
        EXPECT_EQ(calls, std::vector<std::string>{c.call});
    }
    EXPECT_EQ(fmImageViewer, nullptr);
}

TEST_F(DoubleClick, UnknownActionDoesNothingAndOpenFileWithoutEntryPassesEmptyText) {
    for (int32_t action : {0, -1, 999999, 1000001, 8000000}) {
        fmMain->FActiveAction = action;
        DoubleClickGadget();
    }
    EXPECT_TRUE(calls.empty());
    EXPECT_EQ(fmImageViewer, nullptr);
    fmMain->FActiveAction = ActionOpenFile;
    DoubleClickGadget();
    EXPECT_EQ(calls, std::vector<std::string>{"open:"});
}

TEST_F(DoubleClick, EachActionKeepsItsOwnParameter) {
    const std::string sample = fmMain->GetActionParam();
    fmMain->FActiveAction = ActionRunProgram;
    EXPECT_EQ(fmMain->GetActionParam(), "");
    fmMain->SetActionParam("calc.exe");
    EXPECT_EQ(fmMain->FActions->Count(), 3);
    EXPECT_EQ(fmMain->FActions->Objects(2), ActionRunProgram);
    EXPECT_EQ(fmMain->GetActionParam(), "calc.exe");
    fmMain->SetActionParam("运行.exe /a");
    EXPECT_EQ(fmMain->FActions->Count(), 3);
    EXPECT_EQ(fmMain->GetActionParam(), "运行.exe /a");
    fmMain->FActiveAction = ActionViewImage;
    EXPECT_EQ(fmMain->GetActionParam(), sample);
    fmMain->FActiveAction = ActionOpenWebPage;
    fmMain->SetActionParam("https://example.org/");
    EXPECT_EQ(fmMain->FActions->Count(), 3);
    EXPECT_EQ(fmMain->FActions->Strings(1), "https://example.org/");
    fmMain->FActiveAction = ActionLogOff;
    EXPECT_EQ(fmMain->GetActionParam(), "");
}

// The system commands themselves, with paths the ANSI functions could not pass.
class ShellCommands : public testing::Test {
protected:
    TScratchFolder folder{"velmora_shell_中文"};
    static bool WaitForFile(const std::string& path) {
        const ULONGLONG end = GetTickCount64() + kDeadline;
        while (GetFileAttributesW(Wide(path).c_str()) == INVALID_FILE_ATTRIBUTES) {
            if (GetTickCount64() >= end) return false;
            Sleep(50);
        }
        return true;
    }
};

TEST_F(ShellCommands, RunProgramStartsACommandLineWithChineseText) {
    const std::string made = folder / "运行结果";
    RunProgram("cmd.exe /c mkdir \"" + made + "\"");
    EXPECT_TRUE(WaitForFile(made));
}

TEST_F(ShellCommands, OpenDocumentOpensAFileWithItsProgram) {
    const std::string script = folder / "打开.bat";
    const std::string marker = folder / "opened.txt";
    const std::string text = "@echo opened> \"%~dp0opened.txt\"\r\n";
    WriteBytes(script, std::vector<uint8_t>(text.begin(), text.end()));
    OpenDocument(script);
    EXPECT_TRUE(WaitForFile(marker));
}

TEST_F(ShellCommands, EmptyParametersStartNothing) {
    RunProgram("");
    OpenDocument("");
    SUCCEED();
}

}  // namespace
