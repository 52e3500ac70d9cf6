#pragma once
// Where the keyboard focus goes when a button's click disables that button: Qt passes it on along the tab
// chain, which from a panel's last button wraps round to the tab bar, far from where the user works.

#include <QWidget>

// Runs Click, the work of Button's click; when Button held its window's focus and Click leaves it disabled,
// the focus goes to what Next gives then (the list the click changed, or the next field). Next is called only
// then.
template <typename TClick, typename TNext> void KeepFocusNear(QWidget& Button, TClick&& Click, TNext&& Next) {
    QWidget* window = Button.window();
    const bool held = window->focusWidget() == &Button;
    Click();
    if (held && !Button.isEnabled()) {
        Next()->setFocus(Qt::OtherFocusReason);
    }
}
