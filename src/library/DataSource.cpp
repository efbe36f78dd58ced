#include "DataSource.h"

namespace lyrovan {

DataSource::DataSource(QObject* parent) : QObject(parent)
{
    setObjectName(QStringLiteral("datChords"));
}

} // namespace lyrovan
