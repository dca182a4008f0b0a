#pragma once

#include "dialogs/form_setup.h"

class QLabel;
class QPushButton;

namespace kryvet {

// A rewrite that a crash or a power cut had interrupted was finished before
// anything else was done with the file.
class TRecovered1 : public NoticeForm {
    Q_OBJECT
public:
    explicit TRecovered1(QWidget* parent = nullptr);

    // Which rewrite was finished: the text names it, so that the user knows
    // whether the file is now encrypted or plain.
    // An interrupted rewrite finished, or one that never began undone (in
    // the order of RecoveredText).
    enum class Finished { Encryption, Decryption, UndoneEncryption, UndoneDecryption };
    void SetFinished(Finished finished);

    QLabel* Image1;  // the restored page
    QLabel* Label1;
    QPushButton* Button1;
};

}  // namespace kryvet
