#include "app/ui/gtk_chooser.h"

#include <fnmatch.h>
#include <gtk/gtk.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

#include <wx/arrstr.h>
#include <wx/dialog.h>
#include <wx/filefn.h>

#include "platform/text/utf.h"

namespace wuvo {

namespace {

using Patterns = std::vector<std::string>;

constexpr char kPatternSeparator = ';';

GtkFileChooser* ChooserOf(wxDialog& dialog)
{
    return GTK_FILE_CHOOSER(dialog.GetHandle());
}

// The name a filter looks at: the file's own; the shown one for a file that
// has no path here.
const char* NameOf(const GtkFileFilterInfo& info)
{
    if (info.filename == nullptr)
        return info.display_name;
    const char* slash = std::strrchr(info.filename, '/');
    return slash != nullptr ? slash + 1 : info.filename;
}

gboolean MatchesInAnyCase(const GtkFileFilterInfo* info, gpointer data)
{
    const char* name = NameOf(*info);
    const Patterns& patterns = *static_cast<const Patterns*>(data);
    return name != nullptr && std::any_of(patterns.begin(), patterns.end(), [name](const std::string& pattern) {
        return ::fnmatch(pattern.c_str(), name, FNM_CASEFOLD) == 0;
    });
}

void ForgetPatterns(gpointer data)
{
    delete static_cast<Patterns*>(data);
}

}  // namespace

bool OpenInFolder(wxDialog& chooser, const std::string& folder)
{
    std::error_code error;
    return std::filesystem::is_directory(folder, error) &&
           gtk_file_chooser_set_current_folder(ChooserOf(chooser), folder.c_str());
}

void OpenAtFile(wxDialog& chooser, const std::string& path, bool save)
{
    std::filesystem::path file(path);
    if (!OpenInFolder(chooser, file.parent_path().string()))
        return;
    if (save)
        gtk_file_chooser_set_current_name(
            ChooserOf(chooser), platform::ToReadableUtf8(platform::ToUtf16(file.filename().string())).c_str());
    else
        gtk_file_chooser_select_filename(ChooserOf(chooser), path.c_str());
}

void MatchFiltersInAnyCase(wxDialog& chooser, const wxString& filter)
{
    wxArrayString descriptions;
    wxArrayString patterns;
    wxParseCommonDialogsFilter(filter, descriptions, patterns);
    // The toolkit adds one filter for each description, in order.
    GSList* filters = gtk_file_chooser_list_filters(ChooserOf(chooser));
    size_t index = 0;
    for (GSList* item = filters; item != nullptr && index < patterns.size(); item = item->next, ++index) {
        auto* kept = new Patterns;
        for (const wxString& pattern : wxSplit(patterns[index], kPatternSeparator))
            kept->push_back(pattern.utf8_string());
        // A file that any rule takes is shown: the toolkit's own rules stay.
        gtk_file_filter_add_custom(GTK_FILE_FILTER(item->data),
                                   static_cast<GtkFileFilterFlags>(GTK_FILE_FILTER_FILENAME |
                                                                   GTK_FILE_FILTER_DISPLAY_NAME),
                                   MatchesInAnyCase, kept, ForgetPatterns);
    }
    g_slist_free(filters);
}

std::vector<std::string> ChosenPaths(wxDialog& chooser)
{
    std::vector<std::string> paths;
    GSList* names = gtk_file_chooser_get_filenames(ChooserOf(chooser));
    for (GSList* item = names; item != nullptr; item = item->next) {
        paths.emplace_back(static_cast<const char*>(item->data));
        g_free(item->data);
    }
    g_slist_free(names);
    return paths;
}

}  // namespace wuvo
