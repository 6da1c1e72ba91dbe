#include "db/Messages.h"

#include <cstdio>

namespace {
// Used only until the application or a test installs its own: writes to stderr and
// answers No, so nothing is ever deleted by a question nobody saw.
class StderrMessages final : public Messages {
public:
    void error(const QString& caption, const QString& text) override { print(caption, text); }
    bool question(const QString& caption, const QString& text) override {
        print(caption, text);
        return false;
    }
    void information(const QString& caption, const QString& text) override { print(caption, text); }

private:
    static void print(const QString& caption, const QString& text) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(caption), qPrintable(text));
    }
};

StderrMessages fallback;
Messages* current = &fallback;
} // namespace

Messages& messages() {
    return *current;
}

Messages* setMessages(Messages* m) {
    Messages* previous = current;
    current = m ? m : &fallback;
    return previous;
}
