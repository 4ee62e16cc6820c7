#pragma once

#include <QString>
#include <stdexcept>

// Errors the program does not foresee travel as exceptions up to the application's
// default error report, which shows text() in a message box.
class NesvaraError : public std::runtime_error
{
public:
    explicit NesvaraError(const QString &text)
        : std::runtime_error(text.toStdString()), m_text(text)
    {
    }
    const QString &text() const { return m_text; }

private:
    QString m_text;
};

// An index or a count outside a fixed capacity or outside a list.
class RangeError : public NesvaraError
{
public:
    using NesvaraError::NesvaraError;
};

// Data that ends early, declares more than it holds, or cannot be written.
class StreamError : public NesvaraError
{
public:
    using NesvaraError::NesvaraError;
};

// A file that cannot be opened or created.
class FileError : public NesvaraError
{
public:
    using NesvaraError::NesvaraError;
};

// Text that should hold a number and does not.
class ConversionError : public NesvaraError
{
public:
    using NesvaraError::NesvaraError;
};
