// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop program's way from a worker to the user-interface thread: a queued dispatcher whose
// queue the Qt event loop empties. A worker's call queues the function and posts one event to
// this object; the event runs everything queued. Calls made on the user-interface thread run at once.
#pragma once

#include <QObject>

#include "platform/threads.h"

namespace tarnq::ui {

class QtDispatcher final : public QObject, public platform::QueuedDispatcher {
  Q_OBJECT
 public:
  // Must be constructed on the user-interface thread.
  explicit QtDispatcher(QObject* parent = nullptr);
  ~QtDispatcher() override;

 protected:
  void Wake() override;
};

}  // namespace tarnq::ui
