#pragma once
// The shell's small icons of files, gathered in one image list for a list
// view. The list is owned here (the list view only borrows it); each icon the
// shell hands out is copied into the list and destroyed at once.
#include <windows.h>
#include <commctrl.h>

#include <map>
#include <string>

class TShellIconList {
public:
    TShellIconList();
    ~TShellIconList();
    TShellIconList(const TShellIconList&) = delete;
    TShellIconList& operator=(const TShellIconList&) = delete;

    HIMAGELIST Handle() const { return list_; }

    // The index of the file's small icon in the list, added on first use; a
    // file that does not exist gets the icon of its kind, and -1 comes when
    // the shell gives none at all.
    int IconFor(const std::string& path);
    // Called before a rebuild that lists `files` files: an icon list that
    // holds far more icons than that (entries removed since) starts afresh.
    void Prune(int files);
    int Count() const;

private:
    HIMAGELIST list_ = nullptr;
    std::map<std::string, int> indexOf_;
};
