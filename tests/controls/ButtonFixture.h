#pragma once
// A chameleonButton on a host window, shown on the offscreen platform, for the button's tests.

#include "controls/chameleonButton.h"

#include <QApplication>
#include <QCursor>
#include <QMouseEvent>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace corvane::testing {

class ButtonHost {
public:
    /// A host with one button of the size at (10, 10), loaded from the bag and shown.
    explicit ButtonHost(const controls::PropertyBag& bag, int w = 100, int h = 25) {
        host_.resize(w + 40, h + 40);
        button_ = std::make_unique<controls::chameleonButton>(&host_);
        button_->setGeometry(10, 10, w, h);
        button_->ReadProperties(bag);
        // Focus is a state each test gives explicitly; the window must not hand it out on show.
        host_.setAttribute(Qt::WA_ShowWithoutActivating);
        host_.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&host_));
        QCoreApplication::processEvents();
        if (button_->hasFocus())
            button_->clearFocus();
    }
    ~ButtonHost() {
        // The pointer leaves so no hover watch outlives the test.
        QCursor::setPos(QPoint(-1000, -1000));
    }
    controls::chameleonButton& Button() { return *button_; }
    QWidget& Host() { return host_; }
    /// The pixel (x, y) of the button's canvas.
    platform::Color Pixel(int x, int y) const {
        return platform::GetPixel(button_->Canvas(), x, y);
    }
    /// A point of the button in screen coordinates.
    QPoint Global(QPoint p) const { return button_->mapToGlobal(p); }
    /// Moves the screen pointer and reports the move to the widget under it, as the platform
    /// does for a real pointer.
    void MoveTo(QPoint local, Qt::MouseButtons held = Qt::NoButton) {
        QCursor::setPos(Global(local));
        QMouseEvent move(QEvent::MouseMove, QPointF(local), QPointF(Global(local)), Qt::NoButton,
                         held, Qt::NoModifier);
        QApplication::sendEvent(button_.get(), &move);
    }

private:
    QWidget host_;
    std::unique_ptr<controls::chameleonButton> button_;
};

/// A bag with the style, scheme 1 and an optional caption.
inline controls::PropertyBag StyleBag(int style, const std::string& caption = "") {
    controls::PropertyBag bag;
    bag.WriteLong("BTYPE", style);
    bag.WriteString("TX", caption);
    return bag;
}

} // namespace corvane::testing
