// Answers the next modal dialog of a kind once it is shown: for tests of
// commands that open one and wait in its event loop.
#pragma once

#include <functional>

#include <QApplication>
#include <QTimer>
#include <QWidget>

template <typename Dialog>
void WhenModal(std::function<void(Dialog*)> answer)
{
    QTimer::singleShot(10, [answer] {
        if (auto* modal = qobject_cast<Dialog*>(QApplication::activeModalWidget()); modal && modal->isVisible())
            answer(modal);
        else
            WhenModal<Dialog>(answer);
    });
}
