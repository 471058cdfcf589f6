// SPDX-License-Identifier: GPL-3.0-or-later
// Files dragged out of the result list to a file manager or another program.
#pragma once

#include <string>
#include <vector>

class QMimeData;

namespace tarnq::ui {

// `text/uri-list` with each file's URI made from its raw name bytes (a name that is not UTF-8
// keeps its bytes), and the paths as plain text, one a line. The caller owns the result.
QMimeData* FilesMimeData(const std::vector<std::u16string>& paths);

}  // namespace tarnq::ui
