#pragma once
// One image button of the eraser window: three pictures in the same rectangle (`B<Name>Normal`,
// `B<Name>Down`, `B<Name>Active`), of which one is shown at a time. Hovering the Normal picture
// shows Active; pressing Active shows Down; the release that belongs to that press (wherever the
// pointer is by then) puts Normal back and runs the button's action.
//
// The three pictures take no mouse input themselves: the triplet receives it and hands it to the
// picture that is shown, as the window's pictures receive it. The press keeps the mouse for the
// picture it went to, so its release arrives there even when that picture is hidden by then.

#include "eraser/ImageButtonArt.h"

#include <QWidget>

#include <functional>
#include <string>

class QLabel;

namespace corvane::eraser {

/// Three pictures and the rules that switch between them.
class ImageTriplet : public QWidget {
public:
    /// A triplet on `parent` named `B<name>` at `geometry`, its pictures drawn from `caption`.
    ImageTriplet(QWidget* parent, const std::string& name, const QString& caption,
                 const QRect& geometry);

    /// The name without its state (`BHist`).
    const std::string& Name() const { return name_; }

    /// `B<Name>Normal`: shown at rest.
    QLabel* Normal = nullptr;
    /// `B<Name>Down`: shown while pressed.
    QLabel* Down = nullptr;
    /// `B<Name>Active`: shown while the pointer is over it.
    QLabel* Active = nullptr;

    /// The action of a release (none for a button that only shows its pictures).
    std::function<void()> Action;

    /// `B<Name>Normal_MouseMove`: the hover look.
    void Normal_MouseMove();
    /// `B<Name>Active_MouseDown`: the pressed look.
    void Active_MouseDown();
    /// `B<Name>Active_MouseUp`: back to rest, then the action.
    void Active_MouseUp();
    /// Back to rest: Active hidden, Down hidden, Normal shown.
    void Reset();

    /// Which picture is shown: "Normal", "Active", "Down" or "" when none or several are.
    std::string Shown() const;

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;

private:
    enum class Target { None, Normal, Down, Active };
    Target ShownTarget() const;

    std::string name_;
    // The picture the first press of the current mouse capture went to.
    Target captured_ = Target::None;
};

} // namespace corvane::eraser
