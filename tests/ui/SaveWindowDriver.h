#pragma once

#include "Form2.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <functional>

namespace ostrel::test {

// The save window shown on screen, if any.
inline ui::Form2* VisibleSaveWindow() {
    for (QWidget* const window : QApplication::topLevelWidgets()) {
        if (auto* const form2 = qobject_cast<ui::Form2*>(window); form2 && form2->isVisible()) {
            return form2;
        }
    }
    return nullptr;
}

// Acts on the save window while the main window's save command waits for it (it is modal).
// Create the driver, then run the save command. A window that does not close by itself within
// a few seconds is closed, so that a failing test cannot hang.
class SaveWindowDriver {
public:
    explicit SaveWindowDriver(std::function<void(ui::Form2&)> action)
        : m_Action(std::move(action)) {
        m_Clock.start();
        QObject::connect(&m_Timer, &QTimer::timeout, [this] { Poll(); });
        m_Timer.start(5);
    }

    bool Ran() const { return m_Ran; }
    bool WasModal() const { return m_Modal; }

private:
    void Poll() {
        ui::Form2* const form2 = VisibleSaveWindow();
        if (form2 != nullptr && !m_Ran) {
            m_Ran = true;
            m_Modal = form2->isModal() && QApplication::activeModalWidget() == form2;
            m_Action(*form2);
            return;
        }
        if (m_Clock.elapsed() > 30000) { // only a window that never comes waits this long
            m_Timer.stop();
            if (form2 != nullptr) {
                form2->reject();
            }
        }
        if (m_Ran && form2 == nullptr) {
            m_Timer.stop();
        }
    }

    std::function<void(ui::Form2&)> m_Action;
    QTimer m_Timer;
    QElapsedTimer m_Clock;
    bool m_Ran = false;
    bool m_Modal = false;
};

} // namespace ostrel::test
