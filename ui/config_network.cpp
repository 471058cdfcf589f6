// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/config_network.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

#include "lang/format.h"
#include "ui/qt_text.h"

namespace tarnq::ui {
namespace {

QString Format(int id, const QString& a, const QString& b) {
  return ToQString(lang::FormatText(ToU16(Text(id)), {ToU16(a), ToU16(b)}));
}

}  // namespace

BackgroundJobs::~BackgroundJobs() {
  // A mount may wait for the network for many minutes: closing the window must not.
  m_cancel.Cancel();
  for (Job& job : m_jobs) job.thread.join();
}

void BackgroundJobs::Start(std::function<void(const platform::NetworkCancel& cancel)> work) {
  // Threads that are done are joined first, so the list stays short.
  for (auto it = m_jobs.begin(); it != m_jobs.end();) {
    if (it->done->load()) {
      it->thread.join();
      it = m_jobs.erase(it);
    } else {
      ++it;
    }
  }
  auto done = std::make_shared<std::atomic<bool>>(false);
  m_jobs.push_back({std::thread([work = std::move(work), done, &cancel = m_cancel] {
                      work(cancel);
                      done->store(true);
                    }),
                    done});
}

ConnectDialog::ConnectDialog(std::function<void(const QString&)> showMessage, QWidget* parent)
    : QDialog(parent), m_showMessage(std::move(showMessage)) {
  QString title = MenuText(136);
  title.remove(QLatin1Char('&'));
  if (title.endsWith(QStringLiteral("..."))) title.chop(3);
  setWindowTitle(title);
  m_location = new QLineEdit(this);
  m_location->setPlaceholderText(QStringLiteral("smb://server/share"));
  m_location->setMinimumWidth(fontMetrics().averageCharWidth() * 50);
  auto* label = new QLabel(Text(12415), this);
  label->setBuddy(m_location);
  m_status = new QLabel(this);
  m_connect = new QPushButton(Text(12416), this);
  m_connect->setDefault(true);
  auto* cancel = new QPushButton(Text(2), this);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(m_status, 1);
  buttons->addWidget(m_connect);
  buttons->addWidget(cancel);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(label);
  layout->addWidget(m_location);
  layout->addLayout(buttons);
  connect(m_connect, &QPushButton::clicked, this, &ConnectDialog::Connect);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void ConnectDialog::Connect() {
  const QString uri = m_location->text().trimmed();
  if (!platform::LooksLikeLocationUri(uri.toStdString())) {
    if (m_showMessage) m_showMessage(ToQString(lang::FormatText(ToU16(Text(12422)), {ToU16(uri)})));
    m_location->setFocus();
    return;
  }
  m_connect->setEnabled(false);
  m_status->setText(Text(12421));
  emit connectRequested(uri);
}

void ConnectDialog::ShowResult(const QString& uri, const platform::NetworkResult& result) {
  m_connect->setEnabled(true);
  m_status->clear();
  if (result.ok) {
    accept();
    return;
  }
  if (m_showMessage) m_showMessage(Format(12419, uri, QString::fromStdString(result.message)));
  m_location->setFocus();
}

DisconnectDialog::DisconnectDialog(std::function<void(const QString&)> showMessage, QWidget* parent)
    : QDialog(parent), m_showMessage(std::move(showMessage)) {
  QString title = MenuText(137);
  title.remove(QLatin1Char('&'));
  if (title.endsWith(QStringLiteral("..."))) title.chop(3);
  setWindowTitle(title);
  m_list = new QListWidget(this);
  m_list->setMinimumWidth(fontMetrics().averageCharWidth() * 50);
  auto* label = new QLabel(Text(12417), this);
  label->setBuddy(m_list);
  m_status = new QLabel(this);
  m_unmount = new QPushButton(Text(12418), this);
  m_unmount->setEnabled(false);
  auto* close = new QPushButton(Text(2408), this);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(m_status, 1);
  buttons->addWidget(m_unmount);
  buttons->addWidget(close);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(label);
  layout->addWidget(m_list, 1);
  layout->addLayout(buttons);
  connect(close, &QPushButton::clicked, this, &QDialog::reject);
  connect(m_unmount, &QPushButton::clicked, this, [this] {
    const QListWidgetItem* item = m_list->currentItem();
    if (item == nullptr) return;
    m_unmount->setEnabled(false);
    emit unmountRequested(item->data(Qt::UserRole).toString(), item->text());
  });
}

void DisconnectDialog::SetMounts(const std::vector<platform::NetworkMount>& mounts) {
  m_list->clear();
  for (const platform::NetworkMount& mount : mounts) {
    auto* item = new QListWidgetItem(QStringLiteral("%1 (%2)").arg(QString::fromStdString(mount.name),
                                                                  QString::fromStdString(mount.uri)),
                                     m_list);
    item->setData(Qt::UserRole, QString::fromStdString(mount.uri));
  }
  m_status->setText(mounts.empty() ? Text(12424) : QString());
  if (m_list->count() > 0) m_list->setCurrentRow(0);
  m_unmount->setEnabled(m_list->count() > 0);
}

void DisconnectDialog::ShowResult(const QString& name, const platform::NetworkResult& result) {
  if (!result.ok && m_showMessage) m_showMessage(Format(12420, name, QString::fromStdString(result.message)));
  emit refreshRequested();
}

}  // namespace tarnq::ui
