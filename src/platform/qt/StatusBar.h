#pragma once

#include <QStatusBar>

#include <array>

class QLabel;

namespace ostrel::platform {

// A status bar with three text panels side by side: the first and the last of fixed width, the
// middle one taking the width left over. Panels are numbered from 1, left to right.
class StatusBar : public QStatusBar {
    Q_OBJECT

public:
    static constexpr int PanelCount = 3;

    StatusBar(int firstWidth, int lastWidth, QWidget* parent = nullptr);

    QLabel* Panel(int index) const;
    QString PanelText(int index) const;
    void SetPanelText(int index, const QString& text);

private:
    std::array<QLabel*, PanelCount> m_Panels{};
};

} // namespace ostrel::platform
