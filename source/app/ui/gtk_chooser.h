#pragma once

#include <string>
#include <vector>

#include <wx/string.h>

class wxDialog;

namespace wuvo {

// What the program asks of GTK's file and folder choosers beyond what the
// toolkit does: the toolkit hands names over as UTF-8 text, while a Linux
// name is bytes that need not be UTF-8. Paths here are those bytes.

// Opens the chooser in `folder`; false, and nothing changed, when it is no
// folder.
bool OpenInFolder(wxDialog& chooser, const std::string& folder);

// Opens the chooser at the file `path`: in its folder, with its name offered
// to a save chooser and chosen in an open one.
void OpenAtFile(wxDialog& chooser, const std::string& path, bool save);

// Lets each of the chooser's filters, which the toolkit made from the
// wildcard `filter`, also take a file whose own name matches one of its
// patterns in any case. GTK matches the patterns by case, and against the
// name it shows, which spoils a name that is not UTF-8.
void MatchFiltersInAnyCase(wxDialog& chooser, const wxString& filter);

// The paths chosen in the chooser that was answered with OK.
std::vector<std::string> ChosenPaths(wxDialog& chooser);

}  // namespace wuvo
