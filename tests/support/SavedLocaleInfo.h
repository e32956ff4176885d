#pragma once
// Keeps one item of the user's regional settings (the decimal separator, say)
// and puts it back when the guard ends, also when a test fails half-way:
// SetLocaleInfoA changes the user's own settings, not the test's.
#include <windows.h>

#include <string>

class SavedLocaleInfo {
public:
    explicit SavedLocaleInfo(LCTYPE type) : type_(type)
    {
        char text[128] = {};
        saved_ = GetLocaleInfoA(LOCALE_USER_DEFAULT, type_, text, sizeof(text)) > 0;
        if (saved_) text_ = text;
    }
    ~SavedLocaleInfo()
    {
        if (saved_) SetLocaleInfoA(LOCALE_USER_DEFAULT, type_, text_.c_str());
    }
    SavedLocaleInfo(const SavedLocaleInfo&) = delete;
    SavedLocaleInfo& operator=(const SavedLocaleInfo&) = delete;

    // False when the item could not be read: then nothing may be changed.
    bool Saved() const { return saved_; }
    const std::string& Text() const { return text_; }

private:
    LCTYPE type_;
    bool saved_ = false;
    std::string text_;
};
