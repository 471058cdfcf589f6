// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/qt_dispatcher.h"

#include <QMetaObject>

namespace tarnq::ui {

QtDispatcher::QtDispatcher(QObject* parent) : QObject(parent) {}

QtDispatcher::~QtDispatcher() { Shutdown(); }

void QtDispatcher::Wake() {
  // Thread-safe: queues an event for this object, which lives on the user-interface thread. Events
  // still queued when the object goes are dropped by Qt with it.
  QMetaObject::invokeMethod(this, [this] { RunPending(); }, Qt::QueuedConnection);
}

}  // namespace tarnq::ui
