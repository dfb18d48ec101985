// The gallery's chameleonButton renderer: one button on a host window, its properties loaded
// from a property bag and its state reached through the same mouse, focus and enable calls a
// person's input makes.

#include "controls/chameleonButton.h"
#include "gallery/registry.h"

#include <QApplication>
#include <QCursor>
#include <QFocusEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace corvane::gallery {

namespace {

using controls::chameleonButton;
using controls::PropertyBag;

constexpr const char* kStates = "normal, hover, pressed, disabled, focus, default";

/// The host window's background: plain form colour, or a striped one that shows what the
/// transparent style lets through.
QBrush HostBrush(bool striped) {
    if (!striped)
        return QBrush(FormColor());
    QImage stripes(8, 8, QImage::Format_RGB32);
    stripes.fill(FormColor());
    for (int i = 0; i < 8; ++i) {
        stripes.setPixel(i, 7 - i, qRgb(120, 160, 220));
        stripes.setPixel((i + 1) % 8, 7 - i, qRgb(170, 195, 235));
    }
    return QBrush(stripes);
}

bool KnownState(const std::string& s) {
    for (const char* k : {"normal", "hover", "pressed", "disabled", "focus", "default"})
        if (s == k)
            return true;
    return false;
}

bool Has(const std::vector<std::string>& states, const char* s) {
    return std::find(states.begin(), states.end(), s) != states.end();
}

/// Renders one button of the size with the bag's properties in the states.
QImage RenderButton(const PropertyBag& bag, int w, int h, const std::vector<std::string>& states,
                    bool stripedHost) {
    QWidget host;
    // The host must not take the keyboard focus on show: focus is a state the caller picks.
    host.setAttribute(Qt::WA_ShowWithoutActivating);
    QPalette pal = host.palette();
    pal.setBrush(QPalette::Window, HostBrush(stripedHost));
    host.setPalette(pal);
    host.setAutoFillBackground(true);
    host.setGeometry(0, 0, w, h);
    chameleonButton button(&host);
    button.setGeometry(0, 0, w, h);
    button.ReadProperties(bag);
    if (Has(states, "default")) {
        controls::ButtonAmbient ambient = button.Ambient();
        ambient.DisplayAsDefault = true;
        button.SetAmbient(ambient);
    }
    host.show();
    QCoreApplication::processEvents();
    if (button.hasFocus())
        button.clearFocus();

    const QPoint centre(w / 2, h / 2);
    const QPoint global = button.mapToGlobal(centre);
    if (Has(states, "focus")) {
        QFocusEvent focus(QEvent::FocusIn, Qt::TabFocusReason);
        QCoreApplication::sendEvent(&button, &focus);
    }
    if (Has(states, "hover")) {
        QCursor::setPos(global);
        QMouseEvent move(QEvent::MouseMove, QPointF(centre), QPointF(global), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&button, &move);
    }
    if (Has(states, "pressed")) {
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(centre), QPointF(global),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&button, &press);
    }
    if (Has(states, "disabled"))
        button.SetEnabled(false);
    // What the screen shows in the control's rectangle: the canvas inside the window shape,
    // the host's background outside it.
    return host.grab(QRect(0, 0, w, h)).toImage().convertToFormat(QImage::Format_RGB32);
}

bool Render(const RenderRequest& request, QImage& out, std::string& error) {
    for (const std::string& s : request.states)
        if (!KnownState(s)) {
            error = "unknown state \"" + s + "\" (known: " + kStates + ")";
            return false;
        }
    PropertyBag bag;
    if (!ApplySets(bag, chameleonButton::PropertyKeys(), request.sets, error))
        return false;
    out = RenderButton(bag, request.width, request.height, request.states, false);
    return true;
}

/// The sample picture: a blue disc with a light spot on the mask colour.
platform::Picture SamplePicture() {
    QImage img(16, 16, QImage::Format_RGB32);
    img.fill(qRgb(192, 192, 192));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QColor(20, 50, 120));
    p.setBrush(QColor(50, 110, 210));
    p.drawEllipse(1, 1, 13, 13);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(250, 220, 90));
    p.drawRect(5, 4, 3, 3);
    p.end();
    return platform::PictureFromImage(img);
}

PropertyBag SheetBag(int style) {
    PropertyBag bag;
    bag.WriteLong("BTYPE", style);
    bag.WriteString("TX", "&Clean Now");
    platform::Font font;
    font.bold = true;
    bag.WriteFont("FONT", font);
    return bag;
}

struct Column {
    const char* title;
    std::vector<std::string> states;
    int picturePosition; // -1: no picture
    bool on;
};

QImage Sheet() {
    const std::vector<Column> columns = {
        {"normal", {}, -1, false},
        {"hover", {"hover"}, -1, false},
        {"pressed", {"hover", "pressed"}, -1, false},
        {"disabled", {"disabled"}, -1, false},
        {"focused", {"focus"}, -1, false},
        {"default", {"default"}, -1, false},
        {"two-state on", {}, -1, true},
        {"picture left", {}, 0, false},
        {"picture right", {}, 1, false},
        {"picture above", {}, 2, false},
        {"picture below", {}, 3, false},
        {"picture behind", {}, 4, false},
        {"picture hover", {"hover"}, 0, false},
        {"picture pressed", {"hover", "pressed"}, 0, false},
        {"picture disabled", {"disabled"}, 0, false},
    };
    const int bw = 112, bh = 40, cw = 124, ch = 50, left = 64, top = 40;
    QImage sheet(left + cw * static_cast<int>(columns.size()) + 8, top + ch * 14 + 8,
                 QImage::Format_RGB32);
    sheet.fill(Qt::white);
    DrawLabel(sheet, 8, 6, QStringLiteral("chameleonButton: fourteen styles (rows) in each state"),
              true);
    const platform::Picture picture = SamplePicture();
    for (std::size_t c = 0; c < columns.size(); ++c)
        DrawLabel(sheet, left + static_cast<int>(c) * cw, top - 16,
                  QString::fromLatin1(columns[c].title));
    QPainter p(&sheet);
    for (int style = 1; style <= 14; ++style) {
        const int y = top + (style - 1) * ch;
        p.end();
        DrawLabel(sheet, 8, y + bh / 2 - 6, QStringLiteral("style %1").arg(style));
        p.begin(&sheet);
        for (std::size_t c = 0; c < columns.size(); ++c) {
            PropertyBag bag = SheetBag(style);
            if (columns[c].picturePosition >= 0) {
                bag.WritePicture("PICN", picture);
                bag.WriteLong("PICPOS", columns[c].picturePosition);
            }
            if (columns[c].on) {
                bag.WriteBool("CHECK", true);
                bag.WriteBool("VALUE", true);
            }
            const QImage img = RenderButton(bag, bw, bh, columns[c].states, style == 11);
            p.drawImage(left + static_cast<int>(c) * cw, y, img);
        }
    }
    return sheet;
}

/// A second block: the colour schemes, soft bevel and the special effects on style 3 and 2.
QImage VariantsSheet() {
    struct Variant {
        const char* title;
        std::vector<std::pair<const char*, std::string>> sets;
        std::vector<std::string> states;
    };
    const std::vector<Variant> variants = {
        {"scheme 0", {{"COLTYPE", "0"}}, {}},
        {"scheme 2 custom", {{"COLTYPE", "2"}, {"BCOL", "0xE0C8A0"}, {"BCOLO", "0xB0E0FF"}}, {}},
        {"scheme 2 hover",
         {{"COLTYPE", "2"}, {"BCOL", "0xE0C8A0"}, {"BCOLO", "0xB0E0FF"}},
         {"hover"}},
        {"scheme 3 grey", {{"COLTYPE", "3"}}, {}},
        {"scheme 4 host", {{"COLTYPE", "4"}}, {}},
        {"soft bevel", {{"SOFT", "true"}}, {}},
        {"raised (FX 1)", {{"FX", "1"}}, {}},
        {"sunken (FX 2)", {{"FX", "2"}}, {}},
        {"shadow (FX 3)", {{"FX", "3"}}, {}},
        {"greyscale pic", {{"NGREY", "true"}}, {}},
        {"no mask colour", {{"UMCOL", "false"}}, {}},
        {"long caption", {{"TX", "Clear Selected Cookie Only, please"}}, {}},
    };
    const int styles[] = {3, 2, 9, 14};
    const int bw = 112, bh = 40, cw = 124, ch = 50, left = 64, top = 40;
    QImage sheet(left + cw * static_cast<int>(variants.size()) + 8, top + ch * 4 + 8,
                 QImage::Format_RGB32);
    sheet.fill(Qt::white);
    DrawLabel(sheet, 8, 6, QStringLiteral("chameleonButton: schemes, bevel and effects"), true);
    for (std::size_t v = 0; v < variants.size(); ++v)
        DrawLabel(sheet, left + static_cast<int>(v) * cw, top - 16,
                  QString::fromLatin1(variants[v].title));
    const platform::Picture picture = SamplePicture();
    for (int row = 0; row < 4; ++row) {
        const int y = top + row * ch;
        DrawLabel(sheet, 8, y + bh / 2 - 6, QStringLiteral("style %1").arg(styles[row]));
        for (std::size_t v = 0; v < variants.size(); ++v) {
            PropertyBag bag = SheetBag(styles[row]);
            bag.WritePicture("PICN", picture);
            std::string error;
            std::vector<std::pair<std::string, std::string>> sets;
            for (const auto& [key, value] : variants[v].sets)
                sets.emplace_back(key, value);
            ApplySets(bag, chameleonButton::PropertyKeys(), sets, error);
            const QImage img = RenderButton(bag, bw, bh, variants[v].states, false);
            QPainter p(&sheet);
            p.drawImage(left + static_cast<int>(v) * cw, y, img);
        }
    }
    return sheet;
}

QImage ButtonSheet() {
    const QImage a = Sheet();
    const QImage b = VariantsSheet();
    QImage both(std::max(a.width(), b.width()), a.height() + b.height(), QImage::Format_RGB32);
    both.fill(Qt::white);
    QPainter p(&both);
    p.drawImage(0, 0, a);
    p.drawImage(0, a.height(), b);
    return both;
}

const ControlRegistrar kButton("button", kStates, &Render, &ButtonSheet);

} // namespace

} // namespace corvane::gallery
