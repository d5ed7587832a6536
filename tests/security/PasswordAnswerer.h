// The security password prompts answered as a user would, from another
// thread (the prompts are modal): each answer typed, then OK.
#pragma once
#include <windows.h>

#include <atomic>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "resources/SecurityIds.h"
#include "tests/support/WindowTools.h"

namespace security_test {

// Answers every password prompt in turn from a list of answers (typing
// the text, then OK; Cancel once the list is used up) and keeps the
// prompts it saw.
class PasswordAnswerer {
public:
    explicit PasswordAnswerer(std::vector<std::string> answers) : answers_(answers.begin(), answers.end()) {
        thread_ = std::thread([this] { Run(); });
    }
    ~PasswordAnswerer() {
        stop_ = true;
        thread_.join();
    }
    std::vector<std::string> Prompts() {
        std::lock_guard<std::mutex> lock(mutex_);
        return prompts_;
    }

private:
    void Run() {
        while (!stop_) {
            HWND d = testing_support::FindWindowByClass("#32770", "Security Password");
            if (d && IsWindowVisible(d)) {
                char prompt[200] = "";
                GetDlgItemTextA(d, IDC_ASKPASSWORD_PROMPT, prompt, sizeof prompt);
                std::string answer;
                bool ok;
                {
                    std::lock_guard<std::mutex> lock(mutex_);
                    if (prompts_.empty()) testing_support::CheckWindowScreenshot(d, "askpassword");
                    prompts_.push_back(prompt);
                    ok = !answers_.empty();
                    if (ok) {
                        answer = answers_.front();
                        answers_.pop_front();
                    }
                }
                SetDlgItemTextA(d, IDC_ASKPASSWORD_EDIT, answer.c_str());
                testing_support::PressDialogButton(d, ok ? IDOK : IDCANCEL);
                for (int i = 0; i < 100 && IsWindow(d) && IsWindowVisible(d); ++i) Sleep(10);
            }
            Sleep(20);
        }
    }

    std::mutex mutex_;
    std::deque<std::string> answers_;
    std::vector<std::string> prompts_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace security_test
