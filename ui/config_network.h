// SPDX-License-Identifier: GPL-3.0-or-later
// Network connections: "connect" asks for a location as a URI and hands it on; "disconnect" lists
// the network mounts and unmounts the chosen one. The dialogs do no network work themselves: the
// window runs it on a worker (BackgroundJobs) and brings the outcome back with ShowResult.
#pragma once

#include <QDialog>
#include <QObject>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "platform/network_mounts.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace tarnq::ui {

// Threads for work that may wait long (the network). When the owner goes, the work still waiting
// is cancelled (it hands `cancel` to the network calls), then the threads are joined.
class BackgroundJobs final : public QObject {
  Q_OBJECT
 public:
  using QObject::QObject;
  ~BackgroundJobs() override;
  void Start(std::function<void(const platform::NetworkCancel& cancel)> work);

 private:
  struct Job {
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> done;
  };
  platform::NetworkCancel m_cancel;
  std::vector<Job> m_jobs;
};

class ConnectDialog final : public QDialog {
  Q_OBJECT
 public:
  ConnectDialog(std::function<void(const QString&)> showMessage, QWidget* parent = nullptr);
  QLineEdit* LocationField() const { return m_location; }
  QPushButton* ConnectButton() const { return m_connect; }
  // The outcome of the connection asked for.
  void ShowResult(const QString& uri, const platform::NetworkResult& result);

 signals:
  void connectRequested(const QString& uri);

 private:
  void Connect();
  std::function<void(const QString&)> m_showMessage;
  QLineEdit* m_location = nullptr;
  QPushButton* m_connect = nullptr;
  QLabel* m_status = nullptr;
};

class DisconnectDialog final : public QDialog {
  Q_OBJECT
 public:
  DisconnectDialog(std::function<void(const QString&)> showMessage, QWidget* parent = nullptr);
  void SetMounts(const std::vector<platform::NetworkMount>& mounts);
  void ShowResult(const QString& name, const platform::NetworkResult& result);
  QListWidget* List() const { return m_list; }

 signals:
  void unmountRequested(const QString& uri, const QString& name);
  void refreshRequested();

 private:
  std::function<void(const QString&)> m_showMessage;
  QListWidget* m_list = nullptr;
  QLabel* m_status = nullptr;
  QPushButton* m_unmount = nullptr;
};

}  // namespace tarnq::ui
