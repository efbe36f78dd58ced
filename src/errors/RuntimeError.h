#pragma once
// The program's run-time error: a signed 32-bit number and a description.
// Handlers that trap errors catch it (and anything else) and hand it to
// ReportError.
//
// How failures of our own libraries map onto the numbers:
//   TypeMismatch (13)        a value of the wrong type was used, e.g. a text
//                            where a number was expected
//   Overflow (6)             16-bit arithmetic left its range (PlayNote)
//   ConversionFailed (3421)  the database could not convert a value to the
//                            field's type
//   NoCurrentRecord (3021)   a row operation on the data source with no
//                            current row (empty result, BOF or EOF)
//   RelatedRecords (3200)    a row cannot be changed because related rows exist
//   DatabaseCommand (-2147217900, 0x80040E14)
//                            the database rejected the command (bad SQL,
//                            missing table or field)
//   CannotOpenDatabase (3049) the database file is missing, unreadable, not a
//                            database or not of the expected shape; the
//                            description names the file and the cause
//   Unexpected (-1)          anything else: an exception of another type,
//                            described by its what() text

#include <QString>
#include <cstdint>
#include <exception>
#include <string>

namespace lyrovan {

class RuntimeError : public std::exception {
public:
    enum Number : std::int32_t {
        Overflow = 6,
        TypeMismatch = 13,
        NoCurrentRecord = 3021,
        CannotOpenDatabase = 3049,
        RelatedRecords = 3200,
        ConversionFailed = 3421,
        DatabaseCommand = -2147217900,
        Unexpected = -1,
    };

    RuntimeError(std::int32_t number, QString description)
        : m_number(number), m_description(std::move(description)),
          m_what(m_description.toStdString())
    {
    }

    std::int32_t number() const noexcept { return m_number; }
    const QString& description() const noexcept { return m_description; }
    const char* what() const noexcept override { return m_what.c_str(); }

    // The error that stands for whatever a trap caught; call inside a catch block.
    static RuntimeError fromCurrentException();

private:
    std::int32_t m_number;
    QString m_description;
    std::string m_what;
};

} // namespace lyrovan
