#include "uTfmMain.h"

#include <windows.h>

#include "uApplication.h"
#include "uScreen.h"
#include "uTBitmap32.h"
#include "uTFire.h"
#include "uTTip.h"
#include "uTfmImageViewer.h"
#include "uTfmSettings.h"
#include "uTPauseCauses.h"
#include "uWinUtils.h"

TfmMain* fmMain = nullptr;
const char* const MakerHomePage = "https://www.norvect.com/";

const THeartSize HeartSizes[5] = {
    {"极小", 25}, {"小   ", 50}, {"中等  ", 100}, {"大   ", 150}, {"极大", 200},
};


namespace {

const UINT kMoveByCaption = 0xF012;  // SC_MOVE combined with the caption hit code

void OrExtendedStyle(HWND window, LONG bits) {
    SetWindowLongW(window, GWL_EXSTYLE, GetWindowLongW(window, GWL_EXSTYLE) | bits);
}

bool QueryScreenSaverRunning() {
    BOOL running = FALSE;
    if (!SystemParametersInfoW(SPI_GETSCREENSAVERRUNNING, 0, &running, 0)) return false;
    return running != FALSE;
}

}  // namespace

TfmMain::TfmMain()
    : TForm(L"VelmoraClass", "Velmora", WS_POPUP, 0),
      ScreenSaverRunning(&QueryScreenSaverRunning),
      miPauseAnimation(AddMenuItem("动态")),
      miReflection(AddMenuItem("显示倒影")),
      miSize(AddMenuItem("心脏大小")),
      N6(AddMenuItem("-")),
      miStayOnTop(AddMenuItem("总在最前")),
      N7(AddMenuItem("-")),
      miAutorun(AddMenuItem("在Windows启动时运行")),
      N8(AddMenuItem("-")),
      miSettings(AddMenuItem("设置...")),
      N9(AddMenuItem("-", 1)),
      miAbout(AddMenuItem("关于 Velmora...", 1)),
      N10(AddMenuItem("-", 1)),
      miClose(AddMenuItem("关闭", 1)),
      tmScreensaver(500, true, [this] { tmScreensaverTimer(); }),
      tmShowTip(1000, false, [this] { tmShowTipTimer(); }),
      tmHideTip(4000, false, [this] { tmHideTipTimer(); }),
      tmExit(500, false, [this] { tmExitTimer(); }) {
    // The rest of the form's declared settings.
    for (TMenuItem* item : {&miPauseAnimation, &miReflection, &miStayOnTop, &miAutorun}) item->AutoCheck = true;
    miSize.OnClick = nullptr;
    miAutorun.Visible = false;
    miAbout.ImageIndex = 0;
    miClose.Default = true;
    PopupMenu.OnPopup = [this] { PopupMenuPopup(); };
    PopupMenu.Images = &ilMenu;
    SetPopupMenu(&PopupMenu);
    try {
        ilMenu.AddPngResource("MENU_HEART");
    } catch (const Exception&) {
        // Without its picture the About item shows no icon.
    }
    spSkinData.OnLoadData = [this](TSkinData& sender) { spSkinDataLoadData(sender); };
    spSkinData.LoadFromResource("SKDEFAULT");  // a damaged skin leaves the platform's look

    FormCreate();
    EndCreation();
}

TfmMain::~TfmMain() {
    // Stop the frame clock before the window goes, should the window be destroyed without closing.
    FFire.reset();
    FTip.reset();
    // The viewer, made on first use, lives as long as the program's main window.
    delete fmImageViewer;
    if (fmMain == this) fmMain = nullptr;
}

TMenuItem& TfmMain::AddMenuItem(const char* caption, int32_t groupIndex) {
    TMenuItem& item = PopupMenu.Items.Add(std::make_unique<TMenuItem>(caption));
    item.GroupIndex = groupIndex;
    item.OnClick = [this](TMenuItem& sender) { MenuItemClick(sender); };
    return item;
}

void TfmMain::FormCreate() {
    // The heart-size submenu.
    for (const THeartSize& size : HeartSizes) {
        TMenuItem& item = miSize.Add(std::make_unique<TMenuItem>(size.Caption, size.Percent));
        item.GroupIndex = 2;
        item.RadioItem = true;
        item.OnClick = [this](TMenuItem& sender) { MenuItemClick(sender); };
    }

    // Extended styles: layered here; tool window on the application's hidden owner window, which
    // carries the taskbar button, and on this window. The program therefore has no taskbar button.
    OrExtendedStyle(Handle(), WS_EX_LAYERED);
    if (Application != nullptr) OrExtendedStyle(Application->Handle(), WS_EX_TOOLWINDOW);
    OrExtendedStyle(Handle(), WS_EX_TOOLWINDOW);

    FFire = std::make_unique<TFire>();
    FFire->LoadHeart();
    FFire->OnFrame = [this](TFire& sender) { FireFrame(sender); };
    FPauseCauses = std::make_unique<TPauseCauses>(Handle(), [this](bool paused) {
        if (FFire) FFire->SetPaused(paused);
    });

    SetBounds(Left(), Top(), FFire->OutputWidth, FFire->OutputHeight);

    // Bottom-right corner of monitor 0: its full bounds, so the window may cover the taskbar; the
    // monitor's origin is not added.
    const TMonitor first = FirstMonitor();
    SetTop((first.Bounds.bottom - first.Bounds.top) - Height());
    SetLeft((first.Bounds.right - first.Bounds.left) - Width());

    if (Application != nullptr) Application->ProcessMessages();

    SetReflection(true);
    SetStayOnTop(true);
    SetAnimated(true);
    SetZoom(1.0f);

    FActions = std::make_unique<TStringList>();
    FActions->AddObject(ExecutableDirectory() + "sample.jpg", ActionViewImage);
    FActions->AddObject(MakerHomePage, ActionOpenWebPage);
    FActiveAction = ActionViewImage;

    // A stored value that cannot be read is reported, and start-up goes on with what was read
    // before it: the window still shows frames.
    try {
        LoadSettings();
    } catch (const std::exception& error) {
        if (Application != nullptr) Application->HandleException(error);
    }

    FFire->Start();

    if (FSettingsOpenCount < 5) FTip = std::make_unique<TTip>();
}

// Every font of the skin in Tahoma, one pixel larger.
void TfmMain::spSkinDataLoadData(TSkinData& sender) {
    for (TSkinFont* font : sender.Skin().Fonts()) {
        font->Name = "Tahoma";
        font->Height -= 1;
    }
}

void TfmMain::SetReflection(bool value) {
    FReflection = value;
    FFire->Reflection = value;
}

void TfmMain::SetAnimated(bool value) {
    FAnimated = value;
    FFire->SetAnimated(value);
}

// The renderer refuses a factor whose size does not fit; the zoom then stays as it was here too.
void TfmMain::SetZoom(float value) {
    FFire->SetZoom(value);
    FZoom = value;
}

bool TfmMain::IsStayOnTop() const { return FormStyle() == fsStayOnTop; }

void TfmMain::SetStayOnTop(bool value) {
    Hide();
    SetFormStyle(value ? fsStayOnTop : fsNormal);
    OrExtendedStyle(Handle(), WS_EX_LAYERED);
    Show();
}

// The sender is the renderer: a frame that was already due when the renderer began to be freed
// still runs, while FFire no longer points at it.
void TfmMain::FireFrame(TFire& sender) { ShowFrame(*sender.OutputBitmap); }

void TfmMain::ShowFrame(TBitmap32& bitmap) {
    SIZE size{bitmap.Width(), bitmap.Height()};
    const RECT bounds = BoundsRect();
    POINT destination{bounds.left + (bounds.right - bounds.left) / 2 - size.cx / 2,
                      bounds.top + (bounds.bottom - bounds.top) / 2 - size.cy / 2};
    POINT source{0, 0};
    HDC screen = GetDC(nullptr);
    if (screen == nullptr) return;
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    UpdateLayeredWindow(Handle(), screen, &destination, &size, static_cast<HDC>(bitmap.Canvas().Handle()), &source,
                        0, &blend, ULW_ALPHA);
    ReleaseDC(nullptr, screen);
}

void TfmMain::DoMouseDown(TMouseButton, int, int) { FormMouseDown(); }

void TfmMain::FormMouseDown() {
    if (FTip) tmHideTipTimer();
    ReleaseCapture();
    SendMessageW(Handle(), WM_SYSCOMMAND, kMoveByCaption, 0);
}

void TfmMain::tmScreensaverTimer() {
    if (FPauseCauses) FPauseCauses->Check(ScreenSaverRunning ? ScreenSaverRunning() : false);
}

bool TfmMain::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT&) {
    if (FPauseCauses) FPauseCauses->HandleMessage(message, wParam, lParam);
    return false;
}

void TfmMain::CloseCommand() {
    FFire->Extinguish();
    tmExit.SetEnabled(true);
}

void TfmMain::tmExitTimer() {
    // One attempt: a failed save is reported once and the gadget closes all the same, instead of
    // retrying (and reporting) every half second.
    tmExit.SetEnabled(false);
    try {
        SaveSettings();
    } catch (const std::exception& error) {
        if (Application != nullptr) Application->HandleException(error);
    }
    Close();
}

void TfmMain::DoClose() { FormClose(); }

void TfmMain::FormClose() {
    FFire.reset();
    FActions.reset();
    FTip.reset();
}

void TfmMain::PopupMenuPopup() {
    miAutorun.Checked = IsAutorun();
    miStayOnTop.Checked = IsStayOnTop();
    miReflection.Checked = FReflection;
    miPauseAnimation.Checked = FAnimated;
    // An exact comparison in double precision: only the five factors the menu sets check an item.
    for (int32_t i = 0; i < miSize.Count(); ++i) {
        TMenuItem& item = miSize.Items(i);
        item.Checked = static_cast<double>(FZoom) * 100.0 == static_cast<double>(item.Tag);
    }
}

void TfmMain::MenuItemClick(TMenuItem& sender) {
    if (sender.Tag != 0) SetZoom(static_cast<float>(sender.Tag) / 100.0f);
    if (&sender == &miReflection) SetReflection(sender.Checked);
    if (&sender == &miPauseAnimation) SetAnimated(sender.Checked);
    if (&sender == &miStayOnTop) SetStayOnTop(sender.Checked);
    if (&sender == &miAutorun) SetAutorun(sender.Checked);
    if (&sender == &miSettings || &sender == &miAbout) OpenSettings(sender);
    if (&sender == &miClose) CloseCommand();
}

void TfmMain::OpenSettings(TMenuItem& sender) {
    // Made on first use; the application keeps it until the program ends.
    if (fmSettings == nullptr) Application->AdoptForm(std::make_unique<TfmSettings>());
    if (fmImageViewer != nullptr && fmImageViewer->Visible()) fmImageViewer->Hide();
    if (FSettingsOpenCount < 5) ++FSettingsOpenCount;
    if (&sender == &miSettings) fmSettings->ShowOptions();
    if (&sender == &miAbout) fmSettings->ShowAbout();
}

void TfmMain::DoMouseEnter() {
    if (FTip) tmShowTip.SetEnabled(true);
}

void TfmMain::DoMouseLeave() {
    if (FTip) tmHideTipTimer();
}

void TfmMain::tmShowTipTimer() {
    tmShowTip.SetEnabled(false);
    tmHideTip.SetEnabled(true);
    POINT pointer{};
    GetCursorPos(&pointer);
    if (FTip) FTip->Show(POINT{pointer.x - 20, pointer.y + 12}, TipText);
}

void TfmMain::tmHideTipTimer() {
    if (FTip) FTip->Hide();
    tmHideTip.SetEnabled(false);
    tmShowTip.SetEnabled(false);
}

void TfmMain::DoShow() { PlaceOnFirstMonitor(); }

void TfmMain::PlaceOnFirstMonitor() {
    const TMonitor first = FirstMonitor();
    HMONITOR current = MonitorFromWindow(Handle(), MONITOR_DEFAULTTONEAREST);
    if (current == nullptr || current == first.Handle) return;
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoW(current, &info)) return;
    const RECT bounds = BoundsRect();
    const int width = bounds.right - bounds.left, height = bounds.bottom - bounds.top;
    int left = first.Bounds.left + (bounds.left - info.rcMonitor.left);
    int top = first.Bounds.top + (bounds.top - info.rcMonitor.top);
    if (left + width > first.Bounds.right) left = first.Bounds.right - width;
    if (top + height > first.Bounds.bottom) top = first.Bounds.bottom - height;
    SetWindowPos(Handle(), nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Double-click actions.

const TActionTableRow ActionTable[ActionTableCount] = {
    {ActionViewImage, "查看图像  "},
    {ActionOpenWebPage, "打开网页     "},
    {ActionOpenFile, "打开文件 "},
    {ActionRunProgram, "运行程序   "},
    {ActionStartScreenSaver, "启动默认屏保             "},
    {ActionLogOff, "注销   "},
    {ActionShutDown, "关机    "},
};

std::string TfmMain::GetActionParam() const {
    if (!FActions) return std::string();
    const int32_t index = FActions->IndexOfObject(FActiveAction);
    return index < 0 ? std::string() : FActions->Strings(index);
}

void TfmMain::SetActionParam(const std::string& value) {
    if (!FActions) return;
    const int32_t index = FActions->IndexOfObject(FActiveAction);
    if (index >= 0)
        FActions->SetString(index, value);
    else
        FActions->AddObject(value, FActiveAction);
}

void TfmMain::ViewImage(const std::string& path) {
    if (fmImageViewer == nullptr) fmImageViewer = new TfmImageViewer;
    fmImageViewer->ShowImage(path);
}

void TfmMain::FormDblClick() {
    switch (FActiveAction) {
        case ActionViewImage: ViewImage(GetActionParam()); break;
        case ActionOpenFile:
        case ActionOpenWebPage: SystemCommands.OpenDocument(GetActionParam()); break;
        case ActionRunProgram: SystemCommands.RunProgram(GetActionParam()); break;
        case ActionStartScreenSaver: SystemCommands.StartScreenSaver(); break;
        case ActionLogOff: SystemCommands.LogOff(); break;
        case ActionShutDown: SystemCommands.ShutDown(); break;
        default: break;
    }
}
