#include "winsvc/flatcontrols.h"

#include "platform/base/apperror.h"
#include "winsvc/flat.h"

#include <QWidget>

FlatControls::FlatControls() = default;
FlatControls::~FlatControls() = default;

void FlatControls::attach(const QList<QWidget *> &controls)
{
    for (QWidget *control : controls) {
        auto flat = std::make_unique<Flat>();
        try {
            flat->Attach(control);
        } catch (const AppException &) {
            continue;
        }
        m_painters.push_back(std::move(flat));
    }
}

void FlatControls::clear()
{
    m_painters.clear();
}
