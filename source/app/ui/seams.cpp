#include "app/ui/seams.h"

#include <strings.h>

#include <wx/filedlg.h>
#include <wx/fontdlg.h>
#include <wx/msgdlg.h>
#include <wx/textctrl.h>

#include "app/ui/folder_dialog.h"
#include "app/ui/gtk_chooser.h"

namespace wuvo {

namespace {

long IconStyle(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::Information: return wxICON_INFORMATION;
    case MessageIcon::Warning: return wxICON_EXCLAMATION;
    case MessageIcon::Error: return wxICON_ERROR;
    case MessageIcon::None: break;
    }
    return wxICON_NONE;
}

long ButtonStyle(MessageButtons buttons)
{
    switch (buttons) {
    case MessageButtons::OkCancel: return wxOK | wxCANCEL;
    case MessageButtons::YesNo: return wxYES_NO;
    case MessageButtons::YesNoCancel: return wxYES_NO | wxCANCEL;
    case MessageButtons::Ok: break;
    }
    return wxOK;
}

MessageAnswer AnswerOf(int result)
{
    switch (result) {
    case wxID_OK: return MessageAnswer::Ok;
    case wxID_YES: return MessageAnswer::Yes;
    case wxID_NO: return MessageAnswer::No;
    default: return MessageAnswer::Cancel;
    }
}

MessageAnswer RealMessage(wxWindow* owner, const wxString& text, const wxString& caption, MessageIcon icon,
                          MessageButtons buttons)
{
    wxMessageDialog dialog(owner, text, caption, IconStyle(icon) | ButtonStyle(buttons));
    return AnswerOf(dialog.ShowModal());
}

bool EndsInAnyCase(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && ::strcasecmp(text.c_str() + text.size() - end.size(), end.c_str()) == 0;
}

std::vector<std::string> RealFileChooser(wxWindow* owner, const FileDialogRequest& request)
{
    std::unique_ptr<wxFileDialog> dialog = MakeFileChooser(owner, request);
    if (dialog->ShowModal() != wxID_OK)
        return {};
    std::vector<std::string> chosen = ChosenPaths(*dialog);
    // GTK's chooser does not add the extension of the filter by itself.
    if (request.save && !request.defaultExtension.empty())
        for (std::string& path : chosen)
            path = WithExtension(path, request.defaultExtension);
    return chosen;
}

std::string RealFolderChooser(wxWindow* owner, const wxString& title, const std::string& startFolder)
{
    return CFolderDialog(owner).BrowseForFolder(title, startFolder);
}

std::optional<wxFont> RealFontChooser(wxWindow* owner, const wxFont& initial)
{
    wxFontData data;
    data.SetInitialFont(initial);
    data.EnableEffects(false);
    data.SetAllowSymbols(false);
    wxFontDialog dialog(owner, data);
    if (dialog.ShowModal() != wxID_OK)
        return std::nullopt;
    return dialog.GetFontData().GetChosenFont();
}

}  // namespace

std::unique_ptr<wxFileDialog> MakeFileChooser(wxWindow* owner, const FileDialogRequest& request)
{
    long style = request.save ? wxFD_SAVE : wxFD_OPEN | wxFD_FILE_MUST_EXIST;
    if (request.multiple)
        style |= wxFD_MULTIPLE;
    auto dialog =
        std::make_unique<wxFileDialog>(owner, request.title, wxEmptyString, wxEmptyString, request.filter, style);
    if (!request.startPath.empty())
        OpenAtFile(*dialog, request.startPath, request.save);
    MatchFiltersInAnyCase(*dialog, request.filter);
    return dialog;
}

std::string WithExtension(std::string path, const wxString& extension)
{
    const std::string end = "." + extension.utf8_string();
    if (!EndsInAnyCase(path, end))
        path += end;
    return path;
}

UiSeams RealSeams()
{
    return UiSeams{RealMessage, RealFileChooser, RealFolderChooser, platform::RequestPowerOff, RealFontChooser};
}

UiSeams& Seams()
{
    static UiSeams seams = RealSeams();
    return seams;
}

MessageAnswer ShowMessage(wxWindow* owner, const wxString& text, const wxString& caption, MessageIcon icon,
                          MessageButtons buttons)
{
    return Seams().showMessage(owner, text, caption, icon, buttons);
}

void RefuseEdit(wxWindow* owner, wxTextCtrl* edit, const wxString& prompt)
{
    ShowMessage(owner, prompt, kProgramTitle, MessageIcon::Warning);
    edit->SetFocus();
    edit->SelectAll();
}

}  // namespace wuvo
