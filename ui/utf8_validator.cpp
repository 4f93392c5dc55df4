#include "ui/utf8_validator.h"

namespace zep {

Utf8LengthValidator::Utf8LengthValidator(int maxBytes, QObject* parent)
    : QValidator(parent), m_maxBytes(maxBytes)
{
}

QValidator::State Utf8LengthValidator::validate(QString& input, int&) const
{
    return input.toUtf8().size() > m_maxBytes ? Invalid : Acceptable;
}

} // namespace zep
