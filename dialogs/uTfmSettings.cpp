#include "uTfmSettings.h"

#include <shellapi.h>

#include <cmath>
#include <thread>

#include "uApplication.h"
#include "uBrowseDialogs.h"
#include "uGraphicUtils.h"
#include "uGraphicUtils_win.h"
#include "uRegistry.h"
#include "uSettingsStore.h"
#include "uSysUtils.h"
#include "uTBitmap32.h"
#include "uTfmMain.h"
#include "uTickCount.h"
#include "uVersionInfo.h"
#include "uWinUtils.h"

TfmSettings* fmSettings = nullptr;

const char* const DefaultSupportURL = "http://www.norvect.com/landing.php?app=velmora&act=app_support";
const char* const DefaultWebsiteURL = "http://www.norvect.com/landing.php?app=velmora&act=app_website";

const int32_t LogoFrameSequence[21] = {0, 1, 2, 3, 4, 5, 4, 3, 2, 1, 0, 1, 2, 3, 4, 5, 4, 3, 2, 1, 0};

namespace {

const int32_t kActionViewImage = 1000000;
const int32_t kActionOpenFile = 2000000;
const int32_t kActionOpenWebPage = 3000000;
const int32_t kActionRunProgram = 4000000;

const UINT kMoveByCaption = 0xF012;  // SC_MOVE combined with the caption hit code
const DWORD kWindowStyle = WS_POPUP | WS_CAPTION | WS_CLIPCHILDREN;
const DWORD kWindowExStyle = WS_EX_TOOLWINDOW | WS_EX_CONTROLPARENT;
const int kClientWidth = 512;
const int kClientHeight = 374;
const int kLogoTitleBand = 25;  // rows of the logo's lettering, which the hover ignores

bool IsDescendant(HWND ancestor, HWND window) { return window != nullptr && IsChild(ancestor, window); }

}  // namespace

// --- TLogoThread ----------------------------------------------------------------------------------

TLogoThread::TLogoThread(std::atomic<int32_t>& frame, std::function<void()> repaintLogo,
                         std::function<uint32_t()> tickCount)
    : TThread(true), FFrame(frame), FRepaintLogo(std::move(repaintLogo)), FTickCount(std::move(tickCount)) {
    Start();
}

void TLogoThread::Execute() {
    using std::chrono::milliseconds;
    while (!Terminated()) {
        std::this_thread::sleep_for(milliseconds(10));
        if (Terminated()) return;
        if (!FLooping.load() && !FPlayOnce.load()) continue;
        std::this_thread::sleep_for(milliseconds(FPlayOnce.load() ? 200 : 400));
        if (!FLooping.load() && !FPlayOnce.load()) continue;
        FPlayOnce.store(false);
        for (int32_t i = 0; i <= 20; ++i) {
            const uint32_t t0 = FTickCount();
            FFrame.store(i);
            Synchronize(FRepaintLogo);
            // Unsigned difference: correct across the counter's wrap at 2^32.
            while (static_cast<uint32_t>(FTickCount() - t0) < 20 && !Terminated())
                std::this_thread::sleep_for(milliseconds(1));
        }
    }
}

// --- TfmSettings: creation ------------------------------------------------------------------------

TfmSettings::TfmSettings()
    : TForm(L"TfmSettings", "Velmora 桌面小工具", kWindowStyle, kWindowExStyle, CS_DROPSHADOW),
      URLOpener([this](const std::string& url) { OpenURL(url); }) {
    RECT frame{0, 0, kClientWidth, kClientHeight};
    AdjustWindowRectEx(&frame, kWindowStyle, FALSE, kWindowExStyle);
    SetBounds(0, 0, frame.right - frame.left, frame.bottom - frame.top);
    CreateControls();
    FormCreate();
    SetDialogKeys(true);
    EndCreation();
    // Only a dialog that was made whole becomes the program's settings dialog.
    fmSettings = this;
}

TfmSettings::~TfmSettings() {
    FormDestroy();
    if (fmSettings == this) fmSettings = nullptr;
}

// The window's controls at their places, with their captions, fonts and handlers.
void TfmSettings::CreateControls() {
    const TSkin* skin = ActiveSkin();
    const std::wstring face = skin != nullptr ? Wide(skin->DialogFont.Name) : L"宋体";
    const int height = skin != nullptr ? skin->DialogFont.Height : -12;
    FFont.Reset(CreateUiFont(face, height, false));
    FBoldFont.Reset(CreateUiFont(face, height, true));
    FLinkFont.Reset(CreateUiFont(face, height, true, true));
    HFONT font = FFont.Get(), bold = FBoldFont.Get(), link = FLinkFont.Get();
    const TNotifyEvent clickAndChange = [this](TWinControl& sender) { OnClickAndChange(sender); };
    const TMouseEvent easyMove = [this](TWinControl&, TMouseButton, int, int) { MouseDownToEasyMove(); };

    // The left strip and its two page buttons.
    pnTasks.ColorRole = &TSkin::Strip;
    pnTasks.SystemColor = COLOR_BTNSHADOW;
    pnTasks.Create(Handle(), 0, 0, 100, kClientHeight);
    btnOptions.Create(pnTasks.Handle(), "选项", 5, 5, 90, 85);
    btnAbout.Create(pnTasks.Handle(), "关于\r\n程序", 5, 96, 90, 96);
    btnOptions.Tag = 0;
    btnAbout.Tag = 1;
    for (TToggleButton* button : {&btnOptions, &btnAbout}) {
        button->SetFont(bold);
        button->OnClick = clickAndChange;
    }
    try {
        btnOptions.Glyph().AddPngResource("BTN_OPTIONS");
        btnAbout.Glyph().AddPngResource("BTN_ABOUT");
    } catch (const Exception&) {
        // Without their pictures the buttons show their captions only.
    }

    pcSettings.Create(Handle(), 101, 0, 411, 318);
    pcSettings.AddPage(tsOptions);
    pcSettings.AddPage(tsAbout);

    // The Options page, its controls created in tab order.
    RECT page{};
    GetClientRect(tsOptions.Handle(), &page);
    pnOptions.Create(tsOptions.Handle(), 0, 0, page.right, page.bottom);
    HWND options = pnOptions.Handle();
    hdAppearance.Create(options, " 外观 ", 5, 6, 389, 15);
    hdDoubleClick.Create(options, " 双击动作 ", 5, 124, 389, 15);
    hdAutorun.Create(options, " 自动运行  ", 5, 235, 389, 15);
    cbShowReflection.Create(options, "显示倒影", 24, 27, 108, 23);
    cbAnimated.Create(options, "动态", 24, 48, 108, 23);
    cbStayOnTop.Create(options, "总在最前", 24, 69, 108, 23);
    lbHeartSize.Create(options, "心脏大小:", 168, 53);
    cbHeartSize.Create(options, 222, 48, 150, 20);
    lbOnDoubleClick.Create(options, "在心脏上双击:", 29, 153);
    cbActions.Create(options, 145, 148, 227, 20);
    lbPath.Create(options, "目标:", 29, 180);
    edPathButtoned.Create(options, 92, 176, 280, 18);
    edPath.Create(options, 92, 188, 280, 18);
    cbAutorun.Create(options, "在Windows启动时加载", 24, 256, 155, 23);

    // The About page.
    pnAbout.Create(tsAbout.Handle(), 0, 0, page.right, page.bottom);
    HWND about = pnAbout.Handle();
    hdAbout.Create(about, " 关于程序 ", 5, 6, 389, 15);
    pbLogo.Create(about, 29, 29, 130, 120);
    Label3.Create(about, "Velmora桌面小工具 (汉化: 柳青)", 162, 43, 221, 14);
    lbVersion.Create(about, "Version %1\r\n© 2019-2026 Norvect Software", 162, 66, 221, 27);
    lbURLSite.Create(about, "www.norvect.com", 193, 98, 160, 17);
    hdSupport.Create(about, " 支持和反馈 ", 5, 164, 389, 15);
    Label6.Create(about, "如有任何问题,建议或疑问,请随时联系我们!", 36, 196, 180, 27);
    lbURLContact.Create(about, "在线联系表", 66, 232, 120, 14);
    lbURLMoreSoftware.Create(about, "更多娱乐软件", 41, 246, 170, 14);
    imBear.Create(about, 242, 184, 135, 110);
    try {
        imBear.SetBitmap(LoadJpegResourceToHBITMAP("ABOUT_BEAR"));
    } catch (const Exception&) {
        // A missing decoration leaves the grey.
    }
    Label3.Centered = true;
    lbVersion.Centered = lbVersion.CenteredLayout = lbVersion.WordWrap = true;
    Label6.Centered = Label6.WordWrap = true;

    btnClose.Create(Handle(), "确定", 404, 326, 90, 26);

    // Fonts, then the sizes that follow from them.
    for (TWinControl* control : std::initializer_list<TWinControl*>{
             &cbShowReflection, &cbAnimated, &cbStayOnTop, &lbHeartSize, &cbHeartSize, &lbOnDoubleClick, &cbActions,
             &lbPath, &edPathButtoned, &edPath, &cbAutorun, &lbVersion, &Label6})
        control->SetFont(font);
    for (TWinControl* control : std::initializer_list<TWinControl*>{&hdAppearance, &hdDoubleClick, &hdAutorun,
                                                                     &hdAbout, &hdSupport, &Label3, &btnClose})
        control->SetFont(bold);
    for (TLinkLabel* label : {&lbURLSite, &lbURLContact, &lbURLMoreSoftware}) {
        label->SetFont(link);
        label->OnClick = clickAndChange;
        label->OnMouseMove = [this](TWinControl& sender, int x, int y) { pbLogoMouseMove(sender, x, y); };
        label->OnMouseLeave = [this](TWinControl&) { pbLogoMouseLeave(); };
    }
    for (TLabel* label : {&lbHeartSize, &lbOnDoubleClick, &lbPath}) label->AdjustSize();

    // Handlers.
    for (TCheckBox* box : {&cbShowReflection, &cbAnimated, &cbStayOnTop, &cbAutorun}) box->OnClick = clickAndChange;
    cbHeartSize.OnClick = clickAndChange;
    cbActions.OnClick = clickAndChange;
    edPathButtoned.OnChange = clickAndChange;
    edPath.OnChange = clickAndChange;
    edPathButtoned.OnButtonClick = [this](TWinControl&) { edPathButtonedButtonClick(); };
    btnClose.OnClick = clickAndChange;
    pbLogo.OnPaint = [this](TPaintBox&, HDC dc) { pbLogoPaint(dc); };
    pbLogo.OnMouseMove = [this](TWinControl& sender, int x, int y) { pbLogoMouseMove(sender, x, y); };
    for (TWinControl* surface : std::initializer_list<TWinControl*>{
             &pnTasks, &pcSettings, &tsOptions, &tsAbout, &pnOptions, &pnAbout, &hdAppearance, &hdDoubleClick,
             &hdAutorun, &hdAbout, &hdSupport, &lbHeartSize, &lbOnDoubleClick, &lbPath, &Label3, &lbVersion, &Label6,
             &pbLogo, &imBear})
        surface->OnMouseDown = easyMove;
}

void TfmSettings::FormCreate() {
    // 1. The surfaces paint themselves opaquely (the controls' own way: nothing to do here).
    // 2. The version, and the logo's leave handler.
    std::string version = lbVersion.Text();
    const size_t placeholder = version.find("%1");
    if (placeholder != std::string::npos) version.replace(placeholder, 2, ShortVersion);
    lbVersion.SetText(version);
    pbLogo.OnMouseLeave = [this](TWinControl&) { pbLogoMouseLeave(); };
    // 3. Both editors in one place.
    edPath.SetTop(edPathButtoned.Top());
    // 4, 5. The lists.
    for (const THeartSize& size : HeartSizes) cbHeartSize.AddItem(size.Caption, size.Percent);
    for (const TActionTableRow& row : ActionTable) cbActions.AddItem(row.Caption, row.Id);
    // 6. Its own taskbar button.
    SetWindowLongW(Handle(), GWL_EXSTYLE, GetWindowLongW(Handle(), GWL_EXSTYLE) | WS_EX_APPWINDOW);
    // 7. The logo thread, running at once.
    FLogoThread = std::make_unique<TLogoThread>(FLogoFrame, [this] { RepaintLogo(); }, &MillisecondTickCount);
    // 8. The links and the logo.
    LoadURLs();
    LoadLogoFrames();
}

void TfmSettings::FormDestroy() {
    if (!FLogoThread) return;
    FLogoThread->Terminate();
    FLogoThread->WaitFor();  // serves the thread's repaints meanwhile
    FLogoThread.reset();
}

// --- Showing --------------------------------------------------------------------------------------

void TfmSettings::ShowOptions() {
    SelectPage(0);
    LoadControls();
    ShowDialog();
}

void TfmSettings::ShowAbout() {
    SelectPage(1);
    LoadControls();
    ShowDialog();
}

void TfmSettings::ShowDialog() {
    if (!FShownBefore) {
        FShownBefore = true;
        const int width = Width(), height = Height();
        SetBounds((GetSystemMetrics(SM_CXSCREEN) - width) / 2, (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width,
                  height);
    }
    Show();
    Activate();
}

// Makes the dialog the active window, the focus on a control of the page shown.
void TfmSettings::Activate() {
    SetForegroundWindow(Handle());
    BringWindowToTop(Handle());
    if (!IsDescendant(Handle(), GetFocus()) || !IsWindowVisible(GetFocus()))
        SetFocus(pcSettings.ActivePageIndex() == 0 ? cbShowReflection.Handle() : btnClose.Handle());
}

void TfmSettings::FormShow() { SetWindowTextW(Handle(), Wide(Application != nullptr ? Application->Title() : "").c_str()); }

void TfmSettings::SelectPage(int32_t index) {
    for (int32_t i = 0; i < pcSettings.PageCount(); ++i) pcSettings.Pages(i).TabVisible = false;
    if (index < pcSettings.PageCount()) pcSettings.SetActivePageIndex(index);
    if (index == 0) btnOptions.SetDown(true);
    if (index == 1) btnAbout.SetDown(true);
    if (index == 1) FLogoThread->Animate(true);
    // The focus does not stay on a control of the page just hidden.
    HWND focus = GetFocus();
    if (index == 1 && IsDescendant(tsOptions.Handle(), focus)) SetFocus(btnClose.Handle());
    if (index == 0 && IsDescendant(tsAbout.Handle(), focus)) SetFocus(cbShowReflection.Handle());
}

// --- Options --------------------------------------------------------------------------------------

void TfmSettings::LoadControls() {
    FUpdating = true;
    try {
        const int32_t percent = static_cast<int32_t>(std::nearbyint(static_cast<double>(fmMain->FZoom) * 100.0));
        cbHeartSize.SetItemIndex(-1);
        for (int32_t i = 0; i < cbHeartSize.Count(); ++i)
            if (cbHeartSize.ItemValue(i) == percent) cbHeartSize.SetItemIndex(i);
        cbShowReflection.SetChecked(fmMain->FReflection);
        cbStayOnTop.SetChecked(fmMain->IsStayOnTop());
        cbAnimated.SetChecked(fmMain->FAnimated);
        cbAutorun.SetChecked(fmMain->IsAutorun());
        cbActions.SetItemIndex(-1);
        for (int32_t i = 0; i < cbActions.Count(); ++i)
            if (cbActions.ItemValue(i) == fmMain->FActiveAction) cbActions.SetItemIndex(i);
        ShowActionParam(fmMain->GetActionParam());
    } catch (...) {
        FUpdating = false;
        throw;
    }
    FUpdating = false;
}

int32_t TfmSettings::SelectedAction() const {
    const int32_t index = cbActions.ItemIndex();
    return index >= 0 ? cbActions.ItemValue(index) : 0;
}

void TfmSettings::ShowActionParam(const std::string& value) {
    const int32_t action = SelectedAction();
    const bool browsed = action == kActionViewImage || action == kActionOpenFile || action == kActionRunProgram;
    const bool address = action == kActionOpenWebPage;
    if (browsed) edPathButtoned.SetText(value);
    if (address) edPath.SetText(value);
    edPathButtoned.SetVisible(browsed);
    edPath.SetVisible(address);
    lbPath.SetVisible(browsed || address);
}

std::string TfmSettings::GetEditorParam() const {
    const int32_t action = SelectedAction();
    if (action == kActionViewImage || action == kActionOpenFile || action == kActionRunProgram)
        return edPathButtoned.Text();
    if (action == kActionOpenWebPage) return edPath.Text();
    return {};
}

void TfmSettings::OnClickAndChange(TWinControl& sender) {
    if (FUpdating) return;
    if (&sender == &btnOptions || &sender == &btnAbout) SelectPage(sender.Tag);
    if (&sender == &btnClose) Hide();
    if (&sender == &cbHeartSize && cbHeartSize.ItemIndex() >= 0)
        fmMain->SetZoom(static_cast<float>(cbHeartSize.ItemValue(cbHeartSize.ItemIndex())) / 100.0f);
    if (&sender == &cbShowReflection) fmMain->SetReflection(cbShowReflection.Checked());
    if (&sender == &cbStayOnTop) fmMain->SetStayOnTop(cbStayOnTop.Checked());
    if (&sender == &cbAnimated) fmMain->SetAnimated(cbAnimated.Checked());
    if (&sender == &cbAutorun) fmMain->SetAutorun(cbAutorun.Checked());
    if (&sender == &cbActions && cbActions.ItemIndex() >= 0) {
        fmMain->FActiveAction = cbActions.ItemValue(cbActions.ItemIndex());
        ShowActionParam(fmMain->GetActionParam());
    }
    if (&sender == &edPathButtoned || &sender == &edPath) fmMain->SetActionParam(GetEditorParam());
    if (&sender == &lbURLSite || &sender == &lbURLMoreSoftware) URLOpener(FWebsiteURL);
    if (&sender == &lbURLContact) URLOpener(FSupportURL);
}

void TfmSettings::edPathButtonedButtonClick() {
    std::string fileName = fmMain->GetActionParam();
    bool chosen = false;
    switch (fmMain->FActiveAction) {
        case kActionViewImage: chosen = BrowseForPicture(Handle(), fileName); break;
        case kActionOpenFile: chosen = BrowseForFile(Handle(), "All files|*.*", fileName); break;
        case kActionRunProgram: chosen = BrowseForFile(Handle(), "Executables|*.exe", fileName); break;
        default: return;
    }
    if (chosen) edPathButtoned.SetText(fileName);
}

void TfmSettings::FormKeyPress(wchar_t& key) {
    if (key == 27) btnClose.Click();
}

void TfmSettings::MouseDownToEasyMove() {
    ReleaseCapture();
    SendMessageW(Handle(), WM_SYSCOMMAND, kMoveByCaption, 0);
}

bool TfmSettings::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
        case WM_ERASEBKGND: {
            RECT client{};
            GetClientRect(Handle(), &client);
            TBrushHandle brush(CreateSolidBrush(SkinColor(&TSkin::Face, COLOR_BTNFACE)));
            FillRect(reinterpret_cast<HDC>(wParam), &client, brush.Get());
            result = 1;
            return true;
        }
        case WM_COMMAND:
            // Escape (from the dialog keys) whichever control has the focus.
            if (LOWORD(wParam) == IDCANCEL && lParam == 0) {
                wchar_t key = 27;
                FormKeyPress(key);
                return true;
            }
            return false;
        case DM_GETDEFID:
            result = MAKELRESULT(GetDlgCtrlID(btnClose.Handle()), DC_HASDEFID);
            return true;
        default:
            return false;
    }
}

// --- About ----------------------------------------------------------------------------------------

void TfmSettings::LoadURLs() {
    FSupportURL = DefaultSupportURL;
    FWebsiteURL = DefaultWebsiteURL;
    TRegistry registry(HKEY_CURRENT_USER, KEY_READ);
    if (!registry.OpenKey(std::string(SettingsBaseKey) + "\\" + UrlsSubKey, false)) return;
    // A value of another type than text keeps the default address.
    const auto read = [&registry](const char* name, std::string& url) {
        if (!registry.ValueExists(name)) return;
        try {
            url = registry.ReadString(name);
        } catch (const ERegistryException&) {
        }
    };
    read("Support URL", FSupportURL);
    read("Website URL", FWebsiteURL);
    registry.CloseKey();
}

void TfmSettings::OpenURL(const std::string& url) {
    ShellExecuteW(nullptr, L"open", Wide(url).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void TfmSettings::LoadLogoFrames() {
    TBitmap32 bitmap;
    for (int n = 0; n <= 5; ++n) {
        LoadJpegResource(bitmap, "LOGO" + std::to_string(n));
        std::vector<TColor32> pixels(bitmap.Pixels(), bitmap.Pixels() + bitmap.Width() * bitmap.Height());
        for (TColor32& pixel : pixels) pixel |= 0xFF000000u;
        ilLogo.Add(pixels);
    }
}

void TfmSettings::pbLogoPaint(HDC dc) {
    const int32_t index = LogoFrameSequence[FLogoFrame.load()];
    if (index < ilLogo.Count()) {
        ilLogo.Draw(dc, 0, 0, index);
        return;
    }
    RECT client{};
    GetClientRect(pbLogo.Handle(), &client);
    TBrushHandle brush(CreateSolidBrush(SkinColor(&TSkin::Face, COLOR_BTNFACE)));
    FillRect(dc, &client, brush.Get());
}

void TfmSettings::pbLogoMouseMove(TWinControl& sender, int x, int y) {
    if (&sender == &lbURLSite || &sender == &lbURLContact || &sender == &lbURLMoreSoftware) {
        FLogoThread->Animate(false);
        return;
    }
    if (&sender != &pbLogo) return;
    bool onHeart = false;
    if (y > kLogoTitleBand && x > 38) {
        HDC dc = GetDC(pbLogo.Handle());
        const COLORREF shown = GetPixel(dc, x, y);
        ReleaseDC(pbLogo.Handle(), dc);
        onHeart = shown != CLR_INVALID && GetRValue(shown) > 100;
    }
    if (onHeart)
        FLogoThread->Animate(false);
    else
        FLogoThread->StopAnimation();
}

void TfmSettings::pbLogoMouseLeave() { FLogoThread->StopAnimation(); }

void TfmSettings::RepaintLogo() { pbLogo.Repaint(); }
