// The group box: properties, persistence, the events passed on to the holding window, and the
// frame drawn once per change into the back buffer.

#include "controls/GroupBox.h"

#include "platform/messageloop.h"
#include "shell/XPTest.h"

#include <QDrag>
#include <QDragEnterEvent>
#include <QMouseEvent>
#include <QPainter>

#include <cmath>

namespace corvane::controls {

using platform::Canvas;
using platform::RECT;

namespace {

constexpr platform::Color kButtonFace{0x8000000Fu};
constexpr platform::Color kButtonText{0x80000012u};

/// The frame of the themed group box and its caption colours. There is no theme engine on this
/// desktop, so the box draws the themed look itself.
constexpr platform::Color kThemeFrame = platform::RGB(208, 208, 191);
constexpr platform::Color kThemeText = platform::RGB(0, 70, 213);

/// This desktop has no "always show keyboard cues" setting; as on a fresh Windows desktop, the
/// access-key underline of a themed caption stays hidden.
constexpr bool kKeyboardCuesAlwaysShown = false;

/// Replaces at most `count` occurrences of `from` by `to`, from the left.
std::string Replace(std::string text, std::string_view from, std::string_view to, int count) {
    std::size_t pos = 0;
    for (int done = 0; done < count; ++done) {
        pos = text.find(from, pos);
        if (pos == std::string::npos)
            break;
        text.replace(pos, from.size(), to);
        pos += to.size();
    }
    return text;
}

short ButtonOf(Qt::MouseButtons buttons) {
    short b = 0;
    if (buttons & Qt::LeftButton)
        b |= 1;
    if (buttons & Qt::RightButton)
        b |= 2;
    if (buttons & Qt::MiddleButton)
        b |= 4;
    return b;
}

short ShiftOf(Qt::KeyboardModifiers mods) {
    short s = 0;
    if (mods & Qt::ShiftModifier)
        s |= 1;
    if (mods & Qt::ControlModifier)
        s |= 2;
    if (mods & Qt::AltModifier)
        s |= 4;
    return s;
}

/// Drop effects as the events carry them: 1 copy, 2 move, 4 link.
int EffectOf(Qt::DropActions actions) {
    int e = 0;
    if (actions & Qt::CopyAction)
        e |= 1;
    if (actions & Qt::MoveAction)
        e |= 2;
    if (actions & Qt::LinkAction)
        e |= 4;
    return e;
}

Qt::DropActions ActionsOf(int effect) {
    Qt::DropActions a = Qt::IgnoreAction;
    if (effect & 1)
        a |= Qt::CopyAction;
    if (effect & 2)
        a |= Qt::MoveAction;
    if (effect & 4)
        a |= Qt::LinkAction;
    return a;
}

/// The single action a drop takes from an effect (copy before move before link).
Qt::DropAction ActionOf(int effect) {
    if (effect & 1)
        return Qt::CopyAction;
    if (effect & 2)
        return Qt::MoveAction;
    if (effect & 4)
        return Qt::LinkAction;
    return Qt::IgnoreAction;
}

/// The clipboard format number of a MIME type, as the drag events number formats.
short FormatOf(const QString& mime) {
    if (mime == QLatin1String("text/plain"))
        return 1;
    if (mime == QLatin1String("text/uri-list"))
        return 15;
    if (mime == QLatin1String("text/rtf"))
        return -16639;
    if (mime.startsWith(QLatin1String("image/")))
        return 8;
    return 0;
}

/// Accepts a drag or drop with the effect the handler chose, or refuses it when it chose none
/// that the source allows.
void AnswerDrop(QDropEvent* event, int effect) {
    const Qt::DropAction action = ActionOf(effect & EffectOf(event->possibleActions()));
    if (action == Qt::IgnoreAction) {
        event->ignore();
        return;
    }
    event->setDropAction(action);
    event->accept();
}

/// Drag data that asks its source for a format declared without data when a target wants it.
class DragData : public QMimeData {
public:
    explicit DragData(GroupBox* source) : source_(source) {}

protected:
    QVariant retrieveData(const QString& mime, QMetaType type) const override {
        if (source_ != nullptr && QMimeData::data(mime).isEmpty())
            emit source_->OLESetData(const_cast<DragData*>(this), FormatOf(mime));
        return QMimeData::retrieveData(mime, type);
    }

private:
    GroupBox* source_;
};

} // namespace

const char* const GroupBox::kBackStyleMessage =
    "This feature has not yet been implemented!\n"
    "I'm not quite sure how I am going to implement this feature, as some controls are shaped.";

GroupBox::GroupBox(QWidget* parent, const std::string& displayName)
    : QWidget(parent), displayName_(displayName) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    // The events report pointer moves without a button held too.
    setMouseTracking(true);
    // A new control: 1215 × 495 twips.
    resize(81, 33);
    font_ = platform::Font{};
    borderStyle_ = 1;
    caption_ = displayName_;
    appearance_ = 1;
    SetEnabled(true);
    PaintFrame();
}

void GroupBox::Changed(const char* name) {
    emit PropertyChanged(QString::fromLatin1(name));
}

void GroupBox::SetBackColor(platform::Color color) {
    backColor_ = color;
    Changed("BackColor");
    PaintFrame();
}

void GroupBox::SetForeColor(platform::Color color) {
    foreColor_ = color;
    Changed("ForeColor");
    PaintFrame();
}

void GroupBox::SetEnabled(bool enabled) {
    enabled_ = enabled;
    Changed("Enabled");
    // In a form designer the box stays usable; only its picture shows the state.
    if (userMode_)
        QWidget::setEnabled(enabled);
    PaintFrame();
}

void GroupBox::SetFont(const platform::Font& font) {
    font_ = font;
    Changed("Font");
    PaintFrame();
}

void GroupBox::SetBorderStyle(int style) {
    borderStyle_ = style;
    Changed("BorderStyle");
    PaintFrame();
}

void GroupBox::Refresh() {
    PaintFrame();
}

void GroupBox::SetOLEDropMode(int mode) {
    oleDropMode_ = mode;
    setAcceptDrops(mode != 0);
    Changed("OLEDropMode");
}

bool GroupBox::SetBackStyle(int style) {
    if (style == 0) {
        // The program's message-box service shows it (an OK button, no icon), so whoever
        // answers the program's boxes answers this one too.
        platform::MsgBox(kBackStyleMessage, platform::vbOKOnly, "Corvane", this);
        return false;
    }
    backStyle_ = style;
    Changed("BackStyle");
    return true;
}

void GroupBox::SetCaption(const std::string& caption) {
    caption_ = caption;
    Changed("Caption");
    PaintFrame();
}

void GroupBox::SetAppearance(int appearance) {
    appearance_ = appearance;
    Changed("Appearance");
    PaintFrame();
}

void GroupBox::SetUserMode(bool userMode) {
    userMode_ = userMode;
    QWidget::setEnabled(userMode_ ? enabled_ : true);
}

// ---------------------------------------------------------------------------------------------
// Drawing

platform::SIZE GroupBox::MeasureCaption() {
    // The caption as it will show: "&&" counts as a letter, single "&" vanish, and the letter
    // after the first single "&" becomes the access key.
    std::string shown = caption_.empty() ? std::string(" ") : caption_;
    if (shown.find('&') != std::string::npos) {
        shown = Replace(shown, "&&", "A", static_cast<int>(shown.size()));
        const std::size_t first = shown.find('&');
        if (first != std::string::npos)
            accessKeys_ = shown.substr(first + 1, 1);
        const int count = first == std::string::npos ? 0 : static_cast<int>(first) + 1;
        shown = Replace(shown, "&", "", count);
    }
    platform::SIZE size;
    platform::GetTextExtentPoint32A(picture_, shown, size);
    return size;
}

void GroupBox::PaintFrame() {
    if (picture_.Width() != width() || picture_.Height() != height())
        picture_.Resize(width(), height());
    const platform::Color back = platform::OleTranslateColor(backColor_);
    picture_.Clear(back);
    if (borderStyle_ != 0) {
        picture_.SelectFont(platform::ToQFont(font_));
        const platform::SIZE size = MeasureCaption();
        const int W = size.cx, H = size.cy;
        // The top frame line runs through the middle of the caption's height.
        const RECT frame{0, static_cast<int>(std::nearbyint(H / 2.0)), width(), height()};
        RECT captionBox{9, 0, W + 9, H};
        const bool themed = XPTest::XPThemeActive();

        if (themed) {
            DrawThemedFrame(frame);
        } else if (appearance_ == 0) {
            const platform::Brush previous = picture_.SelectBrush(platform::NullBrush());
            picture_.SelectPen(
                platform::CreatePen(platform::PS_SOLID, 2, platform::RGB(255, 255, 255)));
            platform::Rectangle(picture_, 1, frame.top + 1, frame.right, frame.bottom);
            picture_.SelectPen(platform::CreatePen(platform::PS_SOLID, 1, platform::RGB(0, 0, 0)));
            platform::Rectangle(picture_, 0, frame.top, frame.right, frame.bottom);
            picture_.SelectBrush(previous);
        } else {
            RECT edge = frame;
            platform::DrawEdge(picture_, edge, platform::EDGE_ETCHED, platform::BF_RECT);
        }

        // The gap keeps the frame line from running through the caption.
        if (!caption_.empty())
            platform::FillRect(picture_, RECT{7, 0, W + 9, H}, platform::CreateSolidBrush(back));

        if (themed) {
            const unsigned format =
                kKeyboardCuesAlwaysShown ? 0u : unsigned(platform::DT_HIDEPREFIX);
            picture_.SetTextColor(enabled_ ? kThemeText
                                           : platform::GetSysColor(platform::COLOR_GRAYTEXT));
            const int mode = picture_.SetBkMode(platform::TRANSPARENT);
            platform::DrawTextA(picture_, caption_, captionBox, format);
            picture_.SetBkMode(mode);
        } else {
            picture_.SetTextColor(platform::OleTranslateColor(foreColor_));
            platform::DrawStateA(picture_, caption_, 9, 0, W, H,
                                 platform::DST_PREFIXTEXT |
                                     (enabled_ ? 0u : unsigned(platform::DSS_DISABLED)));
        }
    }
    update();
}

void GroupBox::DrawThemedFrame(const RECT& frame) {
    // A one-pixel line with its corners cut on the diagonal, as the themed box shows it.
    const platform::Brush line = platform::CreateSolidBrush(kThemeFrame);
    const int l = frame.left, t = frame.top, r = frame.right - 1, b = frame.bottom - 1;
    if (r - l < 6 || b - t < 6) {
        platform::FrameRect(picture_, frame, line);
        return;
    }
    platform::FillRect(picture_, RECT{l + 3, t, r - 2, t + 1}, line);
    platform::FillRect(picture_, RECT{l + 3, b, r - 2, b + 1}, line);
    platform::FillRect(picture_, RECT{l, t + 3, l + 1, b - 2}, line);
    platform::FillRect(picture_, RECT{r, t + 3, r + 1, b - 2}, line);
    for (int i = 0; i < 3; ++i) {
        platform::SetPixelV(picture_, l + i, t + 2 - i, kThemeFrame);
        platform::SetPixelV(picture_, r - i, t + 2 - i, kThemeFrame);
        platform::SetPixelV(picture_, l + i, b - 2 + i, kThemeFrame);
        platform::SetPixelV(picture_, r - i, b - 2 + i, kThemeFrame);
    }
}

void GroupBox::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.drawImage(0, 0, picture_.Image());
}

void GroupBox::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    PaintFrame();
}

void GroupBox::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    PaintFrame();
}

// ---------------------------------------------------------------------------------------------
// Events passed on

void GroupBox::mousePressEvent(QMouseEvent* event) {
    const QPointF p = event->position();
    emit MouseDown(ButtonOf(event->button()), ShiftOf(event->modifiers()), float(p.x()),
                   float(p.y()));
}

void GroupBox::mouseReleaseEvent(QMouseEvent* event) {
    const QPointF p = event->position();
    emit MouseUp(ButtonOf(event->button()), ShiftOf(event->modifiers()), float(p.x()),
                 float(p.y()));
    // The release that ends a double click raises no second click.
    const bool click = !afterDoubleClick_ && rect().contains(p.toPoint());
    afterDoubleClick_ = false;
    if (click)
        emit Click();
}

void GroupBox::mouseDoubleClickEvent(QMouseEvent* /*event*/) {
    afterDoubleClick_ = true;
    emit DblClick();
}

void GroupBox::mouseMoveEvent(QMouseEvent* event) {
    const QPointF p = event->position();
    emit MouseMove(ButtonOf(event->buttons()), ShiftOf(event->modifiers()), float(p.x()),
                   float(p.y()));
}

void GroupBox::DragOver(QDragMoveEvent* event, short state) {
    int effect = EffectOf(event->possibleActions());
    const QPointF p = event->position();
    emit OLEDragOver(event->mimeData(), effect, ButtonOf(event->buttons()),
                     ShiftOf(event->modifiers()), float(p.x()), float(p.y()), state);
    AnswerDrop(event, effect);
}

void GroupBox::dragEnterEvent(QDragEnterEvent* event) {
    DragOver(event, 0);
}

void GroupBox::dragMoveEvent(QDragMoveEvent* event) {
    DragOver(event, 2);
}

void GroupBox::dragLeaveEvent(QDragLeaveEvent* /*event*/) {
    int effect = 0;
    const QPointF p = mapFromGlobal(QCursor::pos());
    emit OLEDragOver(nullptr, effect, 0, 0, float(p.x()), float(p.y()), 1);
}

void GroupBox::dropEvent(QDropEvent* event) {
    int effect = EffectOf(event->possibleActions());
    const QPointF p = event->position();
    emit OLEDragDrop(event->mimeData(), effect, ButtonOf(event->buttons()),
                     ShiftOf(event->modifiers()), float(p.x()), float(p.y()));
    AnswerDrop(event, effect);
}

void GroupBox::OLEDrag() {
    // The drag belongs to this widget, which lets Qt clean it up when the drag has ended.
    auto* drag = new QDrag(this);
    auto* data = new DragData(this);
    drag->setMimeData(data);
    int allowed = 0;
    emit OLEStartDrag(data, allowed);
    if (allowed == 0) {
        drag->deleteLater();
        int none = 0;
        emit OLECompleteDrag(none);
        return;
    }
    connect(drag, &QDrag::actionChanged, this, [this](Qt::DropAction action) {
        int effect = EffectOf(action);
        bool defaultCursors = true;
        emit OLEGiveFeedback(effect, defaultCursors);
    });
    int effect = EffectOf(drag->exec(ActionsOf(allowed)));
    emit OLECompleteDrag(effect);
}

// ---------------------------------------------------------------------------------------------
// Persistence

void GroupBox::ReadProperties(const PropertyBag& bag) {
    backColor_ = bag.ReadColor("BackColor", kButtonFace);
    foreColor_ = bag.ReadColor("ForeColor", kButtonText);
    font_ = bag.ReadFont("Font", platform::Font{});
    borderStyle_ = bag.ReadLong("BorderStyle", 1);
    SetOLEDropMode(bag.ReadLong("OLEDropMode", 0));
    SetBackStyle(bag.ReadLong("BackStyle", 1));
    caption_ = bag.ReadString("Caption", displayName_);
    enabled_ = bag.ReadBool("Enabled", true);
    if (userMode_)
        QWidget::setEnabled(enabled_);
    appearance_ = bag.ReadInteger("Appearance", 1);
    PaintFrame();
}

const std::vector<PropertySpec>& GroupBox::PropertyKeys() {
    static const std::vector<PropertySpec> keys = {
        {"BackColor", PropertyKind::Color},    {"ForeColor", PropertyKind::Color},
        {"Font", PropertyKind::Font},          {"BorderStyle", PropertyKind::Long},
        {"OLEDropMode", PropertyKind::Long},   {"BackStyle", PropertyKind::Long},
        {"Caption", PropertyKind::String},     {"Enabled", PropertyKind::Boolean},
        {"Appearance", PropertyKind::Integer},
    };
    return keys;
}

void GroupBox::WriteProperties(PropertyBag& bag) const {
    auto keep = [&bag](const char* key, bool atDefault, auto&& write) {
        if (atDefault)
            bag.Remove(key);
        else
            write(key);
    };
    keep("BackColor", backColor_ == kButtonFace,
         [&](const char* k) { bag.WriteColor(k, backColor_); });
    keep("ForeColor", foreColor_ == kButtonText,
         [&](const char* k) { bag.WriteColor(k, foreColor_); });
    keep("Font", font_ == platform::Font{}, [&](const char* k) { bag.WriteFont(k, font_); });
    keep("BorderStyle", borderStyle_ == 1, [&](const char* k) { bag.WriteLong(k, borderStyle_); });
    keep("OLEDropMode", oleDropMode_ == 0, [&](const char* k) { bag.WriteLong(k, oleDropMode_); });
    keep("BackStyle", backStyle_ == 1, [&](const char* k) { bag.WriteLong(k, backStyle_); });
    keep("Caption", caption_ == displayName_, [&](const char* k) { bag.WriteString(k, caption_); });
    keep("Enabled", enabled_, [&](const char* k) { bag.WriteBool(k, enabled_); });
    keep("Appearance", appearance_ == 1,
         [&](const char* k) { bag.WriteInteger(k, static_cast<std::int16_t>(appearance_)); });
}

} // namespace corvane::controls
