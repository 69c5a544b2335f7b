#pragma once

#include <QString>
#include <stdexcept>

namespace pelmar {

// A failure meant for the general error box: its text is what the user sees.
// Everything that a command cannot handle itself is thrown as one of these (or
// any std::exception) and caught by runGuarded / the application object.
class AppError : public std::runtime_error
{
public:
    explicit AppError(const QString& message)
        : std::runtime_error(message.toStdString())
        , m_message(message)
    {
    }
    const QString& message() const { return m_message; }

private:
    QString m_message;
};

// The user-visible text of any failure.
inline QString failureText(const std::exception& e)
{
    if (auto app = dynamic_cast<const AppError*>(&e))
        return app->message();
    return QString::fromUtf8(e.what());
}

} // namespace pelmar
