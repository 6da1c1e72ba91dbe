#pragma once
// The one way the program talks to the user in message boxes. The application installs
// the real implementation (QMessageBox); tests install a recording one that answers
// questions from a script. Data code never shows a window itself: it reports through here.
#include <QString>

class Messages {
public:
    virtual ~Messages() = default;
    // Error icon, one OK button.
    virtual void error(const QString& caption, const QString& text) = 0;
    // Question icon, Yes and No; true on Yes.
    virtual bool question(const QString& caption, const QString& text) = 0;
    // A question that asks whether to go on despite a doubt (an unlikely value, a month that
    // differs from its journal): the same box, but No is the default answer, so that Enter never
    // stores the doubtful value. True on Yes.
    virtual bool doubt(const QString& caption, const QString& text) { return question(caption, text); }
    // Information icon, one OK button.
    virtual void information(const QString& caption, const QString& text) = 0;
};

// The installed implementation; never null once the application or a test set one.
Messages& messages();
// Installs `m` (not owned) and returns the previous one.
Messages* setMessages(Messages* m);

namespace Caption {
inline const QString Error = QStringLiteral("Ошибка");
inline const QString StartupError = QStringLiteral("Ошибка!");
inline const QString Delete = QStringLiteral("Удаление");
} // namespace Caption
