// chameleonButton: properties, persistence, and the state machine that turns mouse, keyboard,
// focus and timer input into paints and events. The drawing itself is in chameleonButtonDraw.cpp
// and chameleonButtonPicture.cpp.

#include "controls/chameleonButton.h"

#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QShortcutEvent>

#include <cctype>
#include <cmath>

namespace corvane::controls {

using platform::Color;

namespace {

/// The system's mouse button number of a Qt button (1 left, 2 right, 4 middle).
int ButtonNumber(Qt::MouseButton b) {
    switch (b) {
    case Qt::LeftButton:
        return 1;
    case Qt::RightButton:
        return 2;
    case Qt::MiddleButton:
        return 4;
    default:
        return 0;
    }
}

/// The system's mask of held buttons.
int ButtonMask(Qt::MouseButtons b) {
    return (b & Qt::LeftButton ? 1 : 0) | (b & Qt::RightButton ? 2 : 0) |
           (b & Qt::MiddleButton ? 4 : 0);
}

/// The system's shift state (1 Shift, 2 Ctrl, 4 Alt).
int ShiftMask(Qt::KeyboardModifiers m) {
    return (m & Qt::ShiftModifier ? 1 : 0) | (m & Qt::ControlModifier ? 2 : 0) |
           (m & Qt::AltModifier ? 4 : 0);
}

/// The virtual-key code of a Qt key (letters upper case, digits, the keys the button knows).
int VirtualKey(const QKeyEvent* e) {
    const int k = e->key();
    if ((k >= Qt::Key_A && k <= Qt::Key_Z) || (k >= Qt::Key_0 && k <= Qt::Key_9))
        return k;
    switch (k) {
    case Qt::Key_Space:
        return 32;
    case Qt::Key_Left:
        return 37;
    case Qt::Key_Up:
        return 38;
    case Qt::Key_Right:
        return 39;
    case Qt::Key_Down:
        return 40;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 13;
    case Qt::Key_Escape:
        return 27;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return 9;
    case Qt::Key_Backspace:
        return 8;
    case Qt::Key_Shift:
        return 16;
    case Qt::Key_Control:
        return 17;
    case Qt::Key_Alt:
        return 18;
    case Qt::Key_Delete:
        return 46;
    case Qt::Key_Insert:
        return 45;
    case Qt::Key_Home:
        return 36;
    case Qt::Key_End:
        return 35;
    case Qt::Key_PageUp:
        return 33;
    case Qt::Key_PageDown:
        return 34;
    default:
        break;
    }
    if (k >= Qt::Key_F1 && k <= Qt::Key_F24)
        return 112 + (k - Qt::Key_F1);
    return k & 0xFF;
}

} // namespace

chameleonButton::chameleonButton(QWidget* parent) : QWidget(parent) {
    // The control paints every pixel itself from its canvas.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    overTimer_.setInterval(3);
    connect(&overTimer_, &QTimer::timeout, this, [this] { OverTimer_Timer(); });
    drawingAllowed_ = true;
    qfont_ = platform::ToQFont(font_);
}

chameleonButton::~chameleonButton() {
    drawingAllowed_ = false;
    overTimer_.stop();
}

// ---------------------------------------------------------------------------------------------
// Properties

void chameleonButton::NotifyChanged(const char* key) {
    emit PropertyChanged(QString::fromLatin1(key));
}

void chameleonButton::RepaintWithPalette() {
    BuildPalette();
    PaintButton(lastState_, true);
}

void chameleonButton::FontChanged() {
    qfont_ = platform::ToQFont(font_);
    LayoutCaption();
    PaintButton(0, true);
}

void chameleonButton::SetButtonType(std::int32_t v) {
    Store(buttonType_, v, "BTYPE");
    if (!ambient_.UserMode && v == 5) {
        font_.bold = true;
        qfont_ = platform::ToQFont(font_);
    }
    if (v == 11 && drawingAllowed_)
        CaptureParentBackground();
    HandleResize();
}

void chameleonButton::SetCaption(const std::string& v) {
    Store(caption_, v, "TX");
    UpdateAccessKey();
    LayoutCaption();
    PaintButton(0, true);
}

void chameleonButton::SetEnabled(bool v) {
    Store(enabled_, v, "ENAB");
    PaintButton(0, true);
    QWidget::setEnabled(v);
}

void chameleonButton::SetFont(const platform::Font& v) {
    Store(font_, v, "FONT");
    FontChanged();
}

void chameleonButton::SetFontBold(bool v) {
    font_.bold = v;
    font_.weight = 0;
    FontChanged();
}

void chameleonButton::SetFontItalic(bool v) {
    font_.italic = v;
    FontChanged();
}

void chameleonButton::SetFontUnderline(bool v) {
    font_.underline = v;
    FontChanged();
}

std::int16_t chameleonButton::FontSize() const {
    return static_cast<std::int16_t>(std::lround(font_.size));
}

void chameleonButton::SetFontSize(std::int16_t v) {
    font_.size = static_cast<double>(v);
    FontChanged();
}

void chameleonButton::SetFontName(const std::string& v) {
    font_.name = v;
    FontChanged();
}

void chameleonButton::SetColorScheme(std::int32_t v) {
    Store(colorScheme_, v, "COLTYPE");
    BuildPalette();
    PaintButton(0, true);
}

void chameleonButton::SetShowFocusRect(bool v) {
    Store(showFocusRect_, v, "FOCUSR");
    PaintButton(lastState_, true);
}

void chameleonButton::SetBackColor(Color v) {
    Store(backColor_, v, "BCOL");
    if (!ambient_.UserMode)
        backOver_ = v;
    RepaintWithPalette();
}

void chameleonButton::SetBackOver(Color v) {
    Store(backOver_, v, "BCOLO");
    RepaintWithPalette();
}

void chameleonButton::SetForeColor(Color v) {
    Store(foreColor_, v, "FCOL");
    if (!ambient_.UserMode)
        foreOver_ = v;
    RepaintWithPalette();
}

void chameleonButton::SetForeOver(Color v) {
    Store(foreOver_, v, "FCOLO");
    RepaintWithPalette();
}

void chameleonButton::SetMaskColor(Color v) {
    Store(maskColor_, v, "MCOL");
    RepaintWithPalette();
}

void chameleonButton::SetMousePointer(std::int32_t v) {
    // The window keeps the shape as a 16-bit value.
    const auto shape = static_cast<std::int16_t>(v);
    mousePointer_ = shape;
    NotifyChanged("MPTR");
    ApplyPointer();
}

void chameleonButton::SetMouseIcon(const platform::Picture& v) {
    Store(mouseIcon_, v, "MICON");
    ApplyPointer();
}

void chameleonButton::SetHandPointer(bool v) {
    Store(handPointer_, v, "HAND");
    ApplyHandPointer();
}

void chameleonButton::ApplyHandPointer() {
    // Without the hand the pointer goes back to the arrow and the custom icon is dropped.
    if (!handPointer_) {
        mousePointer_ = 1;
        mouseIcon_ = {};
    }
    ApplyPointer();
}

void chameleonButton::ApplyPointer() {
    if (handPointer_) {
        // The hand is the custom shape 99 with the platform's hand cursor as its icon.
        mousePointer_ = 99;
        setCursor(Qt::PointingHandCursor);
        return;
    }
    switch (mousePointer_) {
    case 0:
        unsetCursor();
        return;
    case 2:
        setCursor(Qt::CrossCursor);
        return;
    case 3:
        setCursor(Qt::IBeamCursor);
        return;
    case 5:
    case 15:
        setCursor(Qt::SizeAllCursor);
        return;
    case 6:
        setCursor(Qt::SizeBDiagCursor);
        return;
    case 7:
        setCursor(Qt::SizeVerCursor);
        return;
    case 8:
        setCursor(Qt::SizeFDiagCursor);
        return;
    case 9:
        setCursor(Qt::SizeHorCursor);
        return;
    case 10:
        setCursor(Qt::UpArrowCursor);
        return;
    case 11:
        setCursor(Qt::WaitCursor);
        return;
    case 12:
        setCursor(Qt::ForbiddenCursor);
        return;
    case 13:
        setCursor(Qt::BusyCursor);
        return;
    case 14:
        setCursor(Qt::WhatsThisCursor);
        return;
    case 99:
        if (!mouseIcon_.IsNone()) {
            setCursor(QCursor(QPixmap::fromImage(mouseIcon_.image)));
            return;
        }
        break;
    default:
        break;
    }
    setCursor(Qt::ArrowCursor);
}

std::uintptr_t chameleonButton::hwnd() const {
    return static_cast<std::uintptr_t>(effectiveWinId());
}

void chameleonButton::SetSoftBevel(bool v) {
    Store(softBevel_, v, "SOFT");
    RepaintWithPalette();
}

void chameleonButton::SetPictureNormal(const platform::Picture& v) {
    Store(pictureNormal_, v, "PICN");
    MeasurePicture();
    LayoutCaption();
    PaintButton(lastState_, true);
}

void chameleonButton::SetPictureOver(const platform::Picture& v) {
    pictureOver_ = v;
    // The design is told under the name the control has always used for this notice.
    NotifyChanged("PICO");
    if (isOver_)
        PaintButton(lastState_, true);
}

void chameleonButton::SetPicturePosition(std::int32_t v) {
    Store(picturePosition_, v, "PICPOS");
    LayoutCaption();
    PaintButton(lastState_, true);
}

void chameleonButton::SetUseMaskColor(bool v) {
    Store(useMaskColor_, v, "UMCOL");
    if (!pictureNormal_.IsNone())
        PaintButton(lastState_, true);
}

void chameleonButton::SetUseGreyscale(bool v) {
    Store(useGreyscale_, v, "NGREY");
    if (!pictureNormal_.IsNone())
        PaintButton(lastState_, true);
}

void chameleonButton::SetSpecialEffect(std::int32_t v) {
    Store(specialEffect_, v, "FX");
    PaintButton(lastState_, true);
}

void chameleonButton::SetCheckBoxBehaviour(bool v) {
    Store(checkBoxBehaviour_, v, "CHECK");
    PaintButton(lastState_, true);
}

void chameleonButton::SetValue(bool v) {
    Store(value_, v, "VALUE");
    if (checkBoxBehaviour_)
        PaintButton(0, true);
}

// ---------------------------------------------------------------------------------------------
// Methods

void chameleonButton::Refresh() {
    if (buttonType_ == 11)
        CaptureParentBackground();
    BuildPalette();
    LayoutCaption();
    drawingAllowed_ = true;
    PaintButton(lastState_, true);
}

void chameleonButton::DisableRefresh() {
    drawingAllowed_ = false;
}

// ---------------------------------------------------------------------------------------------
// Persistence

const std::vector<PropertySpec>& chameleonButton::PropertyKeys() {
    static const std::vector<PropertySpec> keys = {
        {"BTYPE", PropertyKind::Long},    {"TX", PropertyKind::String},
        {"ENAB", PropertyKind::Boolean},  {"FONT", PropertyKind::Font},
        {"COLTYPE", PropertyKind::Long},  {"FOCUSR", PropertyKind::Boolean},
        {"BCOL", PropertyKind::Color},    {"BCOLO", PropertyKind::Color},
        {"FCOL", PropertyKind::Color},    {"FCOLO", PropertyKind::Color},
        {"MCOL", PropertyKind::Color},    {"MPTR", PropertyKind::Integer},
        {"MICON", PropertyKind::Picture}, {"PICN", PropertyKind::Picture},
        {"PICH", PropertyKind::Picture},  {"UMCOL", PropertyKind::Boolean},
        {"SOFT", PropertyKind::Boolean},  {"PICPOS", PropertyKind::Long},
        {"NGREY", PropertyKind::Boolean}, {"FX", PropertyKind::Long},
        {"HAND", PropertyKind::Boolean},  {"CHECK", PropertyKind::Boolean},
        {"VALUE", PropertyKind::Boolean},
    };
    return keys;
}

void chameleonButton::InitProperties() {
    enabled_ = true;
    showFocusRect_ = true;
    useMaskColor_ = true;
    caption_ = ambient_.DisplayName;
    font_ = ambient_.Font;
    qfont_ = platform::ToQFont(font_);
    buttonType_ = 2;
    colorScheme_ = 1;
    BuildPalette();
    backColor_ = backOver_ = palette_.face;
    foreColor_ = foreOver_ = palette_.text;
    maskColor_ = platform::RGB(192, 192, 192);
    QWidget::setEnabled(true);
    UpdateAccessKey();
    LayoutCaption();
}

void chameleonButton::ReadProperties(const PropertyBag& bag) {
    buttonType_ = bag.ReadLong("BTYPE", 2);
    caption_ = bag.ReadString("TX", "");
    enabled_ = bag.ReadBool("ENAB", true);
    font_ = bag.ReadFont("FONT", font_);
    qfont_ = platform::ToQFont(font_);
    colorScheme_ = bag.ReadLong("COLTYPE", 1);
    showFocusRect_ = bag.ReadBool("FOCUSR", true);
    backColor_ = bag.ReadColor("BCOL", Color(0x8000000Fu));
    backOver_ = bag.ReadColor("BCOLO", backColor_);
    foreColor_ = bag.ReadColor("FCOL", Color(0x80000012u));
    foreOver_ = bag.ReadColor("FCOLO", foreColor_);
    maskColor_ = bag.ReadColor("MCOL", platform::RGB(192, 192, 192));
    mousePointer_ = bag.ReadInteger("MPTR", 0);
    mouseIcon_ = bag.ReadPicture("MICON", {});
    pictureNormal_ = bag.ReadPicture("PICN", {});
    pictureOver_ = bag.ReadPicture("PICH", {});
    useMaskColor_ = bag.ReadBool("UMCOL", true);
    softBevel_ = bag.ReadBool("SOFT", false);
    picturePosition_ = bag.ReadLong("PICPOS", 0);
    useGreyscale_ = bag.ReadBool("NGREY", false);
    specialEffect_ = bag.ReadLong("FX", 0);
    // The loaded pointer and icon reach the window first; the hand setting then decides
    // between arrow and hand, as the setter does, even when it did not change.
    ApplyPointer();
    handPointer_ = bag.ReadBool("HAND", false);
    ApplyHandPointer();
    checkBoxBehaviour_ = bag.ReadBool("CHECK", false);
    value_ = bag.ReadBool("VALUE", false);
    QWidget::setEnabled(enabled_);
    MeasurePicture();
    LayoutCaption();
    UpdateAccessKey();
}

void chameleonButton::WriteProperties(PropertyBag& bag) const {
    bag.WriteLong("BTYPE", buttonType_);
    bag.WriteString("TX", caption_);
    bag.WriteBool("ENAB", enabled_);
    bag.WriteFont("FONT", font_);
    bag.WriteLong("COLTYPE", colorScheme_);
    bag.WriteBool("FOCUSR", showFocusRect_);
    bag.WriteColor("BCOL", backColor_);
    bag.WriteColor("BCOLO", backOver_);
    bag.WriteColor("FCOL", foreColor_);
    bag.WriteColor("FCOLO", foreOver_);
    bag.WriteColor("MCOL", maskColor_);
    bag.WriteInteger("MPTR", static_cast<std::int16_t>(mousePointer_));
    bag.WritePicture("MICON", mouseIcon_);
    bag.WritePicture("PICN", pictureNormal_);
    bag.WritePicture("PICH", pictureOver_);
    bag.WriteBool("UMCOL", useMaskColor_);
    bag.WriteBool("SOFT", softBevel_);
    bag.WriteLong("PICPOS", picturePosition_);
    bag.WriteBool("NGREY", useGreyscale_);
    bag.WriteLong("FX", specialEffect_);
    bag.WriteBool("HAND", handPointer_);
    bag.WriteBool("CHECK", checkBoxBehaviour_);
    bag.WriteBool("VALUE", value_);
}

void chameleonButton::SetAmbient(const ButtonAmbient& ambient) {
    ambient_ = ambient;
    AmbientChanged();
}

void chameleonButton::AmbientChanged() {
    // An ambient change rebuilds the palette, except in the custom scheme whose colours are the
    // button's own.
    if (colorScheme_ != 2)
        RepaintWithPalette();
}

// ---------------------------------------------------------------------------------------------
// Access key

void chameleonButton::UpdateAccessKey() {
    if (shortcutId_ != 0) {
        releaseShortcut(shortcutId_);
        shortcutId_ = 0;
    }
    accessKey_ = 0;
    const std::string& c = caption_;
    if (c.size() <= 1)
        return;
    std::size_t p = c.find('&');
    if (p == std::string::npos || p + 1 >= c.size())
        return;
    char key = 0;
    if (c[p + 1] != '&') {
        key = c[p + 1];
    } else {
        // A doubled "&&" shows a literal ampersand; the next single "&" may still mark a key.
        p = c.find('&', p + 2);
        if (p == std::string::npos || p + 1 >= c.size() || c[p + 1] == '&')
            return;
        key = c[p + 1];
    }
    accessKey_ = static_cast<char>(std::tolower(static_cast<unsigned char>(key)));
    shortcutId_ = grabShortcut(QKeySequence(QKeyCombination(
        Qt::AltModifier, static_cast<Qt::Key>(std::toupper(static_cast<unsigned char>(key))))));
}

// ---------------------------------------------------------------------------------------------
// Window events

void chameleonButton::paintEvent(QPaintEvent*) {
    // The persistent image is what the screen shows; the control never draws here.
    QPainter p(this);
    p.drawImage(0, 0, canvas_.Image());
}

void chameleonButton::resizeEvent(QResizeEvent*) {
    HandleResize();
}

void chameleonButton::HandleResize() {
    if (inCapture_)
        return;
    width_ = width();
    height_ = height();
    canvas_.Resize(width_, height_, palette_.face);
    platform::RECT r{0, 0, width_, height_};
    if (buttonType_ >= 7 && buttonType_ <= 13) {
        platform::InflateRect(r, -3, -3);
    } else if (buttonType_ == 14) {
        platform::InflateRect(r, -5, -5);
        platform::OffsetRect(r, 1, 1);
    } else {
        platform::InflateRect(r, -4, -4);
    }
    focusRect_ = r;
    LayoutCaption();
    region_ = BuildWindowRegion();
    setMask(region_.ToQRegion());
    if (height_ != 0)
        PaintButton(0, true);
}

void chameleonButton::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (buttonType_ == 11)
        CaptureParentBackground();
    drawingAllowed_ = true;
    BuildPalette();
    PaintButton(0, true);
}

void chameleonButton::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    drawingAllowed_ = false;
}

void chameleonButton::focusInEvent(QFocusEvent*) {
    hasFocus_ = true;
    PaintButton(lastState_, true);
}

void chameleonButton::focusOutEvent(QFocusEvent*) {
    hasFocus_ = false;
    PaintButton(lastState_, true);
}

bool chameleonButton::event(QEvent* e) {
    if (e->type() == QEvent::Shortcut) {
        auto* se = static_cast<QShortcutEvent*>(e);
        if (shortcutId_ != 0 && se->shortcutId() == shortcutId_) {
            UserControl_AccessKeyPress();
            return true;
        }
    }
    // The container's colours reach the control as a palette change: an ambient change.
    if (e->type() == QEvent::PaletteChange)
        AmbientChanged();
    return QWidget::event(e);
}

// ---------------------------------------------------------------------------------------------
// Mouse

bool chameleonButton::OverAt(const QPoint& globalPos) const {
    return QApplication::widgetAt(globalPos) == this;
}

bool chameleonButton::PointerIsOver() const {
    return OverAt(QCursor::pos());
}

void chameleonButton::mousePressEvent(QMouseEvent* e) {
    const QPointF p = e->position();
    UserControl_MouseDown(ButtonNumber(e->button()), ShiftMask(e->modifiers()),
                          static_cast<float>(p.x()), static_cast<float>(p.y()));
}

void chameleonButton::mouseReleaseEvent(QMouseEvent* e) {
    const QPointF p = e->position();
    UserControl_MouseUp(ButtonNumber(e->button()), ShiftMask(e->modifiers()),
                        static_cast<float>(p.x()), static_cast<float>(p.y()));
    // The platform reports a click when the press and the release both happened on the
    // control; the release that ends a double click reports none.
    const bool inside = OverAt(e->globalPosition().toPoint());
    const bool afterDoubleClick = std::exchange(inDoubleClick_, false);
    if (inside && !afterDoubleClick)
        UserControl_Click();
}

void chameleonButton::mouseMoveEvent(QMouseEvent* e) {
    const QPointF p = e->position();
    UserControl_MouseMove(ButtonMask(e->buttons()), ShiftMask(e->modifiers()),
                          static_cast<float>(p.x()), static_cast<float>(p.y()),
                          OverAt(e->globalPosition().toPoint()));
}

void chameleonButton::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton && lastButton_ == 1) {
        inDoubleClick_ = true;
        UserControl_DblClick();
        return;
    }
    mousePressEvent(e);
}

void chameleonButton::UserControl_MouseDown(int button, int shift, float x, float y) {
    emit MouseDown(static_cast<short>(button), static_cast<short>(shift), x, y);
    lastButton_ = button;
    if (button != 2)
        PaintButton(2, false);
}

void chameleonButton::UserControl_MouseUp(int button, int shift, float x, float y) {
    emit MouseUp(static_cast<short>(button), static_cast<short>(shift), x, y);
    if (button != 2)
        PaintButton(0, false);
}

void chameleonButton::UserControl_MouseMove(int buttons, int shift, float x, float y, bool over) {
    emit MouseMove(static_cast<short>(buttons), static_cast<short>(shift), x, y);
    if (buttons == 0 && over && !isOver_) {
        overTimer_.start();
        isOver_ = true;
        PaintButton(0, true);
        emit MouseOver();
    } else if (buttons == 1 && over) {
        // A held press shows pressed while over the button, without the hover look after it.
        isOver_ = true;
        PaintButton(2, false);
        isOver_ = false;
    } else if ((buttons == 0 || buttons == 1) && !over) {
        PaintButton(0, false);
    }
}

void chameleonButton::UserControl_DblClick() {
    if (lastButton_ != 1)
        return;
    UserControl_MouseDown(1, 0, 0.0f, 0.0f);
    // Qt keeps the mouse grabbed for the control while the button is held, so the release
    // comes back here as the system's capture makes it do.
}

void chameleonButton::UserControl_Click() {
    if (lastButton_ != 1 || !enabled_)
        return;
    if (checkBoxBehaviour_) {
        value_ = !value_;
        NotifyChanged("VALUE");
    }
    PaintButton(0, true);
    ClickAfterRelease();
}

void chameleonButton::ClickAfterRelease() {
    // The released look reaches the screen before the host's handler runs, however long that
    // handler works.
    repaint();
    emit Click();
}

void chameleonButton::UserControl_AccessKeyPress() {
    lastButton_ = 1;
    UserControl_Click();
}

void chameleonButton::OverTimer_Timer() {
    if (PointerIsOver())
        return;
    overTimer_.stop();
    isOver_ = false;
    PaintButton(0, true);
    emit MouseOut();
}

// ---------------------------------------------------------------------------------------------
// Keyboard

void chameleonButton::keyPressEvent(QKeyEvent* e) {
    short code = static_cast<short>(VirtualKey(e));
    emit KeyDown(code, static_cast<short>(ShiftMask(e->modifiers())));
    lastKey_ = code & 0xFF;
    switch (lastKey_) {
    case 32:
        PaintButton(2, false);
        break;
    case 37:
    case 38:
        focusNextPrevChild(false);
        break;
    case 39:
    case 40:
        focusNextPrevChild(true);
        break;
    default:
        break;
    }
    const QString text = e->text();
    if (text.size() == 1 && text.at(0).unicode() < 256 && text.at(0).unicode() >= 8) {
        short ascii = static_cast<short>(text.at(0).unicode());
        emit KeyPress(ascii);
    }
}

void chameleonButton::keyReleaseEvent(QKeyEvent* e) {
    if (e->isAutoRepeat())
        return;
    short code = static_cast<short>(VirtualKey(e));
    emit KeyUp(code, static_cast<short>(ShiftMask(e->modifiers())));
    if (lastKey_ == 32 && code == 32) {
        if (checkBoxBehaviour_) {
            value_ = !value_;
            NotifyChanged("VALUE");
        }
        PaintButton(0, false);
        ClickAfterRelease();
    }
}

} // namespace corvane::controls
