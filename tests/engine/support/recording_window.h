#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/operation_window.h"

// Stands in for the main window: answers from fields and logs every call.
class RecordingWindow : public kryvet::OperationWindow {
public:
    std::string fileName;
    std::string password;  // CP932 bytes the password dialog yields
    bool cancelPassword = false;
    bool mismatchPassword = false;  // the confirmation differs
    // The operation the password was last asked for.
    std::optional<kryvet::OperationButton> passwordAskedFor;
    bool finishForeignRecord = false;  // the answer to AskFinishForeignRecord
    std::vector<std::string> log;
    std::vector<int> gauge;
    // Runs when the password is asked, e.g. to change the file meanwhile.
    std::function<void()> onAskPassword;

    std::string FileNameText() const override { return fileName; }
    kryvet::PasswordResult AskPassword(kryvet::OperationButton b) override {
        using Answer = kryvet::PasswordResult::Answer;
        gauge.push_back(0);
        passwordAskedFor = b;
        log.push_back("AskPassword");
        if (onAskPassword)
            onAskPassword();
        if (mismatchPassword)
            return {Answer::Mismatch, {}};
        if (cancelPassword || password.empty())
            return {Answer::NotGiven, {}};
        return {Answer::Given, password};
    }
    void ShowMismatch() override { log.push_back("ShowMismatch"); }
    void EnterBusyState(kryvet::OperationButton b) override { log.push_back("Enter" + Name(b)); }
    void LeaveBusyState(kryvet::OperationButton b) override { log.push_back("Leave" + Name(b)); }
    void ShowNotice(kryvet::Notice notice) override {
        static const char* const kNames[] = {"NotFile",
                                             "DiskFull",
                                             "ExitAnko",
                                             "NoAngo",
                                             "NotPassword",
                                             "RecoveredEncryption",
                                             "RecoveredDecryption",
                                             "UndoneEncryption",
                                             "UndoneDecryption"};
        log.push_back(std::string("Notice:") + kNames[static_cast<int>(notice)]);
    }
    bool AskFinishForeignRecord(kryvet::OperationButton b) override {
        log.push_back("AskFinishForeignRecord:" + Name(b));
        return finishForeignRecord;
    }
    void SetGaugeProgress(int percent) override { gauge.push_back(percent); }
    void FocusFileName() override { log.push_back("Focus:EditFileName"); }
    void FocusButton(kryvet::OperationButton b) override { log.push_back("Focus:" + Name(b)); }

private:
    static std::string Name(kryvet::OperationButton b) {
        return b == kryvet::OperationButton::BuAngo ? "BuAngo" : "BuFukugo";
    }
};
