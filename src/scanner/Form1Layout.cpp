#include "scanner/Form1Layout.h"

#include "controls/Child.h"
#include "controls/Label.h"
#include "controls/Shape.h"
#include "controls/Twips.h"
#include "controls/chameleonButton.h"
#include "platform/widgets/drawing.h"

#include <QAbstractItemView>

namespace corvane::Form1Layout {

using namespace controls;

Label* MakeLabel(QWidget* parent, const std::string& text, int left, int top, int width, bool bold,
                 int alignment) {
    auto* label = MakeChild<Label>(parent, TwipsRect(left, top, width, 255), text);
    label->SetAlignment(static_cast<Label::Alignment>(alignment));
    platform::Font font;
    font.bold = bold;
    label->SetFont(font);
    return label;
}

LineShape* MakeRule(QWidget* parent, int y) {
    // One pixel thick; the end point at x 6720 is not drawn, as on the classic desktop.
    QRect line = TwipsRect(120, y, 6720 - 120, 0);
    line.setHeight(1);
    return MakeChild<LineShape>(parent, line, kRuleColor);
}

chameleonButton* MakeButton(QWidget* parent, const std::string& caption, int left, int top,
                            int width, const std::string& picture) {
    auto* button = MakeChild<chameleonButton>(parent, TwipsRect(left, top, width, 375));
    // The design values every button of the window was saved with.
    button->InitProperties();
    button->SetButtonType(3);
    button->SetColorScheme(1);
    button->SetBackColor(platform::RGB(236, 233, 216));
    button->SetBackOver(platform::RGB(236, 233, 216));
    button->SetForeColor(platform::RGB(0, 0, 0));
    button->SetForeOver(platform::RGB(0, 0, 0));
    button->SetMaskColor(platform::RGB(192, 192, 192));
    platform::Font font;
    font.bold = true;
    button->SetFont(font);
    if (!picture.empty())
        button->SetPictureNormal(platform::LoadPicture(picture));
    button->SetCaption(caption);
    return button;
}

void SetListColours(QAbstractItemView& list, platform::Color back, platform::Color text) {
    QPalette palette = list.palette();
    palette.setColor(QPalette::Base, back.ToQColor());
    palette.setColor(QPalette::Text, text.ToQColor());
    list.setPalette(palette);
}

} // namespace corvane::Form1Layout
