#pragma once
// The real message boxes: QMessageBox with the program's captions, icons and Russian buttons.
#include "db/Messages.h"

class MessageBoxes final : public Messages {
public:
    void error(const QString& caption, const QString& text) override;
    bool question(const QString& caption, const QString& text) override;
    bool doubt(const QString& caption, const QString& text) override;
    void information(const QString& caption, const QString& text) override;
};
