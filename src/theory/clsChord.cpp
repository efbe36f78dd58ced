#include "clsChord.h"

#include "ChordTables.h"
#include "errors/RuntimeError.h"

namespace lyrovan {

QString clsChord::Key() const
{
    return m_state.CurrentNoteRow.left(2);
}

QString clsChord::Construct() const
{
    const QString& row = m_state.CurrentNoteRow;
    const QString& formula = m_state.CurrentFormula;
    if (row.isEmpty() || formula.isEmpty())
        return {};
    QString result;
    result.reserve(formula.size() * 2);
    for (QChar digit : formula) {
        const int v = FormulaDigitValue(digit.toLatin1());
        if (v == 0 || 2 * v > row.size())
            throw RuntimeError(RuntimeError::TypeMismatch, QStringLiteral("Type mismatch"));
        result += row.mid(2 * v - 2, 2);
    }
    return result;
}

} // namespace lyrovan
