// SPDX-License-Identifier: GPL-3.0-or-later
// Our own "Properties" window, for when no file manager shows one: for each file its name, folder,
// size, times, owner and permissions as the file system tells them now, and the audio properties
// and tags its row holds. With several files a box chooses the one shown.
#pragma once

#include <QDialog>
#include <QString>

#include <string>
#include <utility>
#include <vector>

#include "results/result_list.h"

class QComboBox;
class QFormLayout;
class QLabel;
class QPushButton;

namespace tarnq::ui {

// One file of the window: its path and its row's texts (column id, text), taken when the command
// ran, so that later changes of the list do not change what the window shows.
struct PropertiesFile {
  std::u16string path;
  std::vector<std::pair<uint16_t, std::u16string>> cells;
};
PropertiesFile PropertiesFileOfRow(const results::ResultList& list, size_t index);

// What the window shows for a file: (label, value) lines, the file read now. `error` receives the
// reason when the file cannot be read (its row's texts are shown all the same).
std::vector<std::pair<QString, QString>> PropertyLines(const PropertiesFile& file, QString* error = nullptr);

class PropertiesDialog final : public QDialog {
  Q_OBJECT
 public:
  PropertiesDialog(std::vector<PropertiesFile> files, QWidget* parent = nullptr);

  // The chooser of the file shown (hidden with one file).
  QComboBox* FileBox() const { return m_fileBox; }
  // The value shown next to `label` ("" when there is no such line).
  QString ValueOf(const QString& label) const;

 private:
  void ShowFile(int index);

  std::vector<PropertiesFile> m_files;
  QComboBox* m_fileBox = nullptr;
  QLabel* m_error = nullptr;
  QFormLayout* m_form = nullptr;
  QPushButton* m_close = nullptr;
};

}  // namespace tarnq::ui
