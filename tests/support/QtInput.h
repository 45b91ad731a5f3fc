// A person's keys and clicks on the layer's windows, as Qt delivers them to the widgets: through
// the real input path, so the dialog manager and the controls see what they would see.
#pragma once

#include "vlm_qt.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>

namespace vlm::test {

// A key pressed and released in the widget of `focus`.
inline void PressKey(HWND focus, int key)
{
    QWidget* widget = vlm::qt::WindowWidget(focus);
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &release);
}

// The left button pressed and released in the middle of `control`.
inline void MouseClick(HWND control)
{
    QWidget* widget = vlm::qt::WindowWidget(control);
    const QPointF at(widget->width() / 2.0, widget->height() / 2.0);
    const QPointF global = widget->mapToGlobal(at);
    QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &release);
}

} // namespace vlm::test
