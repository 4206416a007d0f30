#pragma once

#include <string>

class wxListBox;

namespace wuvo {

// The file list's entries: each shows its input's path as people read it
// and keeps the path itself, whose bytes need not be UTF-8.
void AppendListedFile(wxListBox& list, const std::u16string& path);
std::u16string ListedFile(const wxListBox& list, unsigned int index);

}  // namespace wuvo
