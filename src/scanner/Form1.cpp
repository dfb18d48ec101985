// The scanner window's frame: the banner and its navigation, the four pages, the "Info Data"
// page, and the load and unload steps.

#include "scanner/Form1.h"

#include "controls/Child.h"
#include "controls/FileListBox.h"
#include "controls/GroupBox.h"
#include "controls/Label.h"
#include "controls/Shape.h"
#include "controls/TopLevel.h"
#include "controls/Twips.h"
#include "controls/chameleonButton.h"
#include "platform/settings.h"
#include "platform/widgets/drawing.h"
#include "scanner/Form1Layout.h"
#include "shell/XPInit.h"

#include <QCloseEvent>
#include <QPixmap>

namespace corvane {

using namespace controls;

using Form1Layout::MakeLabel;
using Form1Layout::MakeRule;

namespace {

/// The banner's red and its captions' grey.
constexpr platform::Color kBannerColor = platform::RGB(192, 0, 0);
constexpr platform::Color kNavigationTextColor = platform::RGB(192, 192, 192);

/// A navigation caption: bold, centred, grey on the banner.
Label* MakeNavigationLabel(QWidget* parent, const std::string& text, int left, int width) {
    auto* label = MakeChild<Label>(parent, TwipsRect(left, 840, width, 255), text);
    platform::Font font;
    font.bold = true;
    label->SetFont(font);
    label->SetAlignment(Label::Center);
    label->SetForeColor(kNavigationTextColor);
    label->SetBackColor(kBannerColor);
    label->setCursor(Qt::PointingHandCursor);
    return label;
}

/// A navigation icon, 32 x 32 pixels at `left`, top 240, on the banner.
Label* MakeNavigationIcon(QWidget* parent, const char* resource, int left) {
    auto* image = MakeChild<Label>(parent, TwipsRect(left, 240, 480, 480));
    image->SetBackColor(kBannerColor);
    image->SetPicture(QPixmap(QString::fromLatin1(resource)));
    image->setCursor(Qt::PointingHandCursor);
    return image;
}

} // namespace

Form1::Form1(Form1Hooks hooks) : hooks_(std::move(hooks)) {
    // The initialisation step: nothing but the common controls, before any control exists.
    XPInit::InitCommonControlsForWindow();
    PrepareTopLevel(*this, QStringLiteral("Corvane"));
    setFixedSize(TwipsToPixels(7680), TwipsToPixels(5790));
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, QColor(236, 233, 216));
    setPalette(palette);
    setAutoFillBackground(true);

    Timer1.SetInterval(200);
    Timer2.SetInterval(200);
    Timer4.SetInterval(500);
    Timer9.SetInterval(200);
    Timer1.OnTick = [this] { Timer1_Timer(); };
    Timer2.OnTick = [this] { Timer2_Timer(); };
    Timer4.OnTick = [this] { Timer4_Timer(); };
    Timer9.OnTick = [this] { Timer9_Timer(); };

    CreateFrame();
    CreateSecurePage();
    CreateCookiesPage();
    CreateInfoPage();
    CreateFilesPage();
    ConnectEvents();
    ShowPage(GroupBox1);
}

Form1::~Form1() = default;

void Form1::CreateFrame() {
    Shape1 = MakeChild<Shape>(this, TwipsRect(0, 0, 7935, 1215), kBannerColor);
    Image2 = MakeNavigationIcon(this, ":/corvane/nav-secure.png", 480);
    Image4 = MakeNavigationIcon(this, ":/corvane/nav-cookies.png", 2400);
    Image1 = MakeNavigationIcon(this, ":/corvane/nav-info.png", 4560);
    Image3 = MakeNavigationIcon(this, ":/corvane/nav-files.png", 6600);
    Label8 = MakeNavigationLabel(this, "Secure", 160, 1095);
    Label9 = MakeNavigationLabel(this, "Cookies", 2200, 855);
    Label10 = MakeNavigationLabel(this, "Info Data", 4320, 855);
    Label20 = MakeNavigationLabel(this, "File Data", 6360, 855);

    Shape2 = MakeChild<Shape>(this, TwipsRect(120, 1320, 7455, 4335), platform::RGB(255, 255, 255));

    const auto makePage = [this](const char* name, const char* caption) {
        auto* page = MakeChild<GroupBox>(this, TwipsRect(240, 1440, 7215, 4095), name);
        page->SetBackColor(platform::RGB(255, 255, 255));
        page->SetCaption(caption);
        return page;
    };
    GroupBox1 = makePage("GroupBox1", "Privacy Corvane Protection");
    GroupBox2 = makePage("GroupBox2", "Cookies Detected");
    GroupBox3 = makePage("GroupBox3", "Info Data");
    GroupBox4 = makePage("GroupBox4", "Temporary Files Stored");
}

void Form1::CreateInfoPage() {
    QWidget* page = GroupBox3;
    Label11 = MakeLabel(page, "Folders Location", 120, 480, 2655, true);
    MakeRule(page, 705);
    Label13 = MakeLabel(page, "Label13", 120, 840, 6495);
    Label14 = MakeLabel(page, "Label14", 120, 1200, 6615);
    Label15 = MakeLabel(page, "Label15", 120, 1560, 6495);
    Label16 = MakeLabel(page, "Label16", 120, 1920, 6615);
    Label12 = MakeLabel(page, "Computer Information", 120, 2520, 2655, true);
    MakeRule(page, 2760);
    Label17 = MakeLabel(page, "Label17", 120, 2880, 6135);
    Label18 = MakeLabel(page, "Label18", 120, 3240, 6135);
    Label19 = MakeLabel(page, "Label19", 120, 3600, 6135);
}

void Form1::ConnectEvents() {
    Image2->Click = [this] { Image2_Click(); };
    Label8->Click = [this] { Image2_Click(); };
    Image4->Click = [this] { Image4_Click(); };
    Label9->Click = [this] { Image4_Click(); };
    Image1->Click = [this] { Image1_Click(); };
    Label10->Click = [this] { Image1_Click(); };
    Image3->Click = [this] { Image3_Click(); };
    Label20->Click = [this] { Image3_Click(); };
    connect(chameleonButton4, &chameleonButton::Click, this, [this] { chameleonButton4_Click(); });
    connect(chameleonButton1, &chameleonButton::Click, this, [this] { chameleonButton1_Click(); });
    connect(chameleonButton3, &chameleonButton::Click, this, [this] { chameleonButton3_Click(); });
    connect(chameleonButton2, &chameleonButton::Click, this, [this] { chameleonButton2_Click(); });
}

void Form1::ShowPage(GroupBox* page) {
    for (GroupBox* each : {GroupBox1, GroupBox2, GroupBox3, GroupBox4})
        each->setVisible(each == page);
}

void Form1::Image2_Click() {
    ShowPage(GroupBox1);
}
void Form1::Image4_Click() {
    ShowPage(GroupBox2);
}
void Form1::Image1_Click() {
    ShowPage(GroupBox3);
}
void Form1::Image3_Click() {
    ShowPage(GroupBox4);
}

std::string Form1::Variable(std::string_view name) const {
    return hooks_.environmentVariable ? hooks_.environmentVariable(name)
                                      : ScanLocations::EnvironmentVariables()(name);
}

void Form1::LoadMain() {
    ScanLocations::WalkEnvironment(hooks_.environmentEntry ? hooks_.environmentEntry
                                                           : ScanLocations::EnvironmentEntries(),
                                   EnvComputerName, EnvUserName);
}

void Form1::Form_Load() {
    hide();
    if (hooks_.showSplash)
        hooks_.showSplash();
    LoadMain();
    if (!SystemInfo)
        SystemInfo = std::make_unique<cSystemInfo>();
    BrowserVersionText = SystemInfo->IEVersion();
    RefreshCacheList();

    const ScanLocations::VariableReader variable = [this](std::string_view name) {
        return Variable(name);
    };
    const std::array<std::string, 7> texts =
        ScanLocations::InfoDataTexts(variable, EnvComputerName, EnvUserName, BrowserVersionText);
    Label* const lines[] = {Label13, Label14, Label15, Label16, Label17, Label18, Label19};
    for (std::size_t i = 0; i < texts.size(); ++i)
        lines[i]->SetCaption(texts[i]);

    Label6->SetCaption(platform::GetSetting("Halcyra", "Date", "History", Label6->Caption()));

    chameleonButton3->SetEnabled(false);
    File1->SetPath(ScanLocations::CookieFolder(variable));

    Timer1.SetEnabled(true);
    Timer4.SetEnabled(true);
}

void Form1::Form_Unload() {
    if (unloaded_)
        return;
    unloaded_ = true;
    // The eraser window goes first, so its notification icon leaves with the program.
    if (hooks_.unloadEraserWindow)
        hooks_.unloadEraserWindow();
    for (platform::Timer* timer : {&Timer1, &Timer2, &Timer4, &Timer9})
        timer->SetEnabled(false);
    if (hooks_.unloaded)
        hooks_.unloaded();
}

void Form1::showEvent(QShowEvent* event) {
    if (!centred_) {
        centred_ = true;
        CentreOnScreen(*this);
    }
    QWidget::showEvent(event);
}

void Form1::closeEvent(QCloseEvent* event) {
    event->accept();
    Form_Unload();
}

} // namespace corvane
