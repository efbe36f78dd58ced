#include "ReportError.h"

#include <new>
#include <stdexcept>

namespace lyrovan {

namespace {

// The box text and icon for an error; an empty text means no box.
struct ErrorReport {
    QString text;
    MessageIcon icon;
};

const QString CrLf = QStringLiteral("\r\n");

QString wrongTypeText()
{
    return QStringLiteral("You have entered an incorrect data type!") + CrLf +
           QStringLiteral("For example, you may have entered a text value when a number was expected.");
}

ErrorReport reportFor(const RuntimeError& error)
{
    switch (error.number()) {
    case RuntimeError::TypeMismatch:
    case RuntimeError::ConversionFailed:
        return {wrongTypeText(), MessageIcon::Warning};
    case RuntimeError::NoCurrentRecord:
        return {QString(), MessageIcon::None};
    case RuntimeError::RelatedRecords:
        return {error.description(), MessageIcon::Warning};
    case RuntimeError::DatabaseCommand:
        return {QStringLiteral("You cannot carry out this action because there are no records available!"),
                MessageIcon::Warning};
    default:
        return {error.description(), MessageIcon::Critical};
    }
}

} // namespace

RuntimeError RuntimeError::fromCurrentException()
{
    try {
        throw;
    } catch (const RuntimeError& e) {
        return e;
    } catch (const std::bad_alloc&) {
        return RuntimeError(7, QStringLiteral("Out of memory"));
    } catch (const std::exception& e) {
        return RuntimeError(Unexpected, QString::fromLocal8Bit(e.what()));
    } catch (...) {
        return RuntimeError(Unexpected, QStringLiteral("Unexpected error"));
    }
}

void ReportError(const RuntimeError& error)
{
    const ErrorReport report = reportFor(error);
    if (report.text.isEmpty())
        return;
    const QString text = QStringLiteral("Error Number:") + QString::number(error.number()) + CrLf + report.text;
    ShowMessage(text, QString::fromLatin1(ProductName) + QStringLiteral(" - Error"), report.icon);
}

} // namespace lyrovan
