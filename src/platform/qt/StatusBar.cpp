#include "StatusBar.h"

#include <QLabel>

namespace ostrel::platform {

StatusBar::StatusBar(int firstWidth, int lastWidth, QWidget* parent) : QStatusBar(parent) {
    setSizeGripEnabled(false);
    for (std::size_t i = 0; i < m_Panels.size(); ++i) {
        auto* const panel = new QLabel(this);
        panel->setObjectName(QStringLiteral("Panel%1").arg(i + 1));
        panel->setFrameShape(QFrame::StyledPanel);
        panel->setFrameShadow(QFrame::Sunken);
        panel->setTextFormat(Qt::PlainText);
        panel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        m_Panels[i] = panel;
    }
    m_Panels.front()->setFixedWidth(firstWidth);
    m_Panels.back()->setFixedWidth(lastWidth);
    // permanent, so that status tips of menu entries never hide the panels
    addPermanentWidget(m_Panels[0], 0);
    addPermanentWidget(m_Panels[1], 1);
    addPermanentWidget(m_Panels[2], 0);
}

QLabel* StatusBar::Panel(int index) const {
    if (index < 1 || index > PanelCount) {
        return nullptr;
    }
    return m_Panels[static_cast<std::size_t>(index - 1)];
}

QString StatusBar::PanelText(int index) const {
    const QLabel* const panel = Panel(index);
    return panel != nullptr ? panel->text() : QString();
}

void StatusBar::SetPanelText(int index, const QString& text) {
    if (QLabel* const panel = Panel(index)) {
        panel->setText(text);
    }
}

} // namespace ostrel::platform
