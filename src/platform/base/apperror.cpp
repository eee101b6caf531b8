#include "platform/base/apperror.h"

AppException::AppException(AppError error) : m_error(std::move(error))
{
    m_what = QStringLiteral("%1: %2").arg(m_error.number).arg(m_error.description).toUtf8();
}

AppException::AppException(int number, const QString &description, const QString &source)
    : AppException(AppError{number, description, source})
{}
