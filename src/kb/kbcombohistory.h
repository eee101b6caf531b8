#pragma once

#include <QString>

class QComboBox;

namespace KbStore {

// The keyword box's history file: load adds every line to the combo's list (in file
// order, duplicates included); otherwise the combo's text is appended as a line.
// A missing file (and its folder) is created empty first. File errors are thrown
// as AppException.
void ComboHistory(const QString &file, QComboBox *combo, bool load);

} // namespace KbStore
