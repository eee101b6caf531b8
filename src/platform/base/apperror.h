#pragma once

#include <QString>

#include <exception>

// An error as the program reports it: a number, a text and where it came from.
struct AppError
{
    int number = 0;
    QString description;
    QString source;

    bool isError() const { return number != 0; }
};

// Thrown where the original raised a numbered error to its caller.
class AppException : public std::exception
{
public:
    explicit AppException(AppError error);
    AppException(int number, const QString &description, const QString &source = {});

    const AppError &error() const { return m_error; }
    int number() const { return m_error.number; }
    QString description() const { return m_error.description; }
    const char *what() const noexcept override { return m_what.constData(); }

private:
    AppError m_error;
    QByteArray m_what;
};

// The error base the window classes add to their own numbers.
constexpr int AppErrorBase = int(0x80040000u);
