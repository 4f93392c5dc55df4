// Limits a line edit by the UTF-8 length of its text: the logon keeps at most 79 bytes of the
// password, so a field counted in characters would let a non-ASCII password be cut silently.
#pragma once

#include <QValidator>

namespace zep {

class Utf8LengthValidator : public QValidator
{
    Q_OBJECT
public:
    Utf8LengthValidator(int maxBytes, QObject* parent);
    State validate(QString& input, int& pos) const override;

private:
    int m_maxBytes;
};

} // namespace zep
