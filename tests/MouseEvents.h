// Mouse input sent straight to a widget, as the window system delivers it:
// a press holds its button, a move carries the buttons held, a release none.
#pragma once

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>

namespace mouse {

inline void Send(QWidget& widget, QEvent::Type type, QPointF p, Qt::MouseButton button, Qt::MouseButtons held)
{
    QMouseEvent event(type, p, widget.mapToGlobal(p), button, held, Qt::NoModifier);
    QApplication::sendEvent(&widget, &event);
}

inline void Press(QWidget& widget, QPoint p, Qt::MouseButton button = Qt::LeftButton)
{
    Send(widget, QEvent::MouseButtonPress, p, button, button);
}

inline void Move(QWidget& widget, QPoint p, Qt::MouseButtons held = Qt::LeftButton)
{
    Send(widget, QEvent::MouseMove, p, Qt::NoButton, held);
}

inline void Release(QWidget& widget, QPoint p, Qt::MouseButton button = Qt::LeftButton)
{
    Send(widget, QEvent::MouseButtonRelease, p, button, Qt::NoButton);
}

inline void Click(QWidget& widget, QPoint p, Qt::MouseButton button = Qt::LeftButton)
{
    Press(widget, p, button);
    Release(widget, p, button);
}

inline void DoubleClick(QWidget& widget, QPoint p)
{
    Send(widget, QEvent::MouseButtonDblClick, p, Qt::LeftButton, Qt::LeftButton);
}

// Press, a move halfway, a move to the end, release.
inline void Drag(QWidget& widget, QPoint from, QPoint to, Qt::MouseButton button = Qt::LeftButton)
{
    Press(widget, from, button);
    Move(widget, (from + to) / 2, button);
    Move(widget, to, button);
    Release(widget, to, button);
}

}  // namespace mouse
