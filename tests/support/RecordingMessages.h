#pragma once
// Records every message the program shows and answers questions from a script, so no
// test ever waits on a real modal box.
#include "db/Messages.h"

#include <QList>
#include <QStringList>

struct ShownMessage {
    enum Kind { Error, Question, Doubt, Information } kind;
    QString caption;
    QString text;
};

class RecordingMessages final : public Messages {
public:
    RecordingMessages() { previous_ = setMessages(this); }
    ~RecordingMessages() override { setMessages(previous_); }

    void error(const QString& caption, const QString& text) override {
        shown.append({ShownMessage::Error, caption, text});
    }
    bool question(const QString& caption, const QString& text) override {
        shown.append({ShownMessage::Question, caption, text});
        // An unscripted question is answered No: a test must say Yes to delete anything.
        return answers.isEmpty() ? false : answers.takeFirst();
    }
    // Answered from the same script as the questions; recorded as a doubt (No by default).
    bool doubt(const QString& caption, const QString& text) override {
        shown.append({ShownMessage::Doubt, caption, text});
        return answers.isEmpty() ? false : answers.takeFirst();
    }
    void information(const QString& caption, const QString& text) override {
        shown.append({ShownMessage::Information, caption, text});
    }

    // The texts shown so far, in order.
    QStringList texts() const {
        QStringList out;
        for (const auto& m : shown)
            out << m.text;
        return out;
    }
    void clear() {
        shown.clear();
        answers.clear();
    }

    QList<ShownMessage> shown;
    QList<bool> answers; // consumed by question(), first to last

private:
    Messages* previous_ = nullptr;
};
