#include "kb/kbcombohistory.h"

#include "kb/kbstore.h"

#include <QComboBox>

namespace KbStore {

void ComboHistory(const QString &file, QComboBox *combo, bool load)
{
    if (load)
        combo->addItems(readHistory(file));
    else
        appendHistory(file, combo->currentText());
}

} // namespace KbStore
