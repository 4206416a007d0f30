#include "app/ui/listed_files.h"

#include <wx/clntdata.h>
#include <wx/listbox.h>

#include "app/ui/text.h"

namespace wuvo {

namespace {

class ListedPath : public wxClientData {
public:
    explicit ListedPath(std::u16string path) : path_(std::move(path)) {}
    const std::u16string& Path() const { return path_; }

private:
    std::u16string path_;
};

}  // namespace

void AppendListedFile(wxListBox& list, const std::u16string& path)
{
    list.Append(ToWx(path), new ListedPath(path));
}

std::u16string ListedFile(const wxListBox& list, unsigned int index)
{
    return static_cast<const ListedPath*>(list.GetClientObject(index))->Path();
}

}  // namespace wuvo
