// The form fields of a page on screen: system child windows of the view
// (EDIT, BUTTON, COMBOBOX, LISTBOX and "ZINTU_FILE_UPLOAD"), made by the
// control factory that start-up registers with the layout. Each class
// derives from the window-less field of layout/FormControl.h, answers from
// its window while it has one, and falls back to the stored value when the
// window could not be made.
//
// Every window is subclassed: Tab and Shift+Tab move through the page's
// fields in document order (the view's own step when the window layer
// installs one), focus scrolls the field into view, and the arrow keys move
// between check boxes and radio buttons.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "layout/FormControl.h"

// Control ids of the windows, which the view's notifications carry.
constexpr int kIdPushButton = 1234;
constexpr int kIdTextField = 1235;
constexpr int kIdDropDown = 1236;
constexpr int kIdListBox = 1237;
constexpr int kIdTextArea = 1238;
constexpr int kIdCheckBox = 1239;
constexpr int kIdRadioButton = 1240;
constexpr int kIdFileUpload = 1241;

// The window class of file-upload fields.
constexpr char kFileUploadClass[] = "ZINTU_FILE_UPLOAD";

// Makes windowed fields on screen devices, window-less ones elsewhere.
class ScreenControlFactory : public PageControlFactory {
protected:
    FormControl* NewInputControl(PaintDevice& device, int type, int32_t size, int32_t maxLength,
                                 const char* value, bool checked) override;
    SelectControl* NewSelectControl(PaintDevice& device, bool list, int32_t rows) override;
    FormControl* NewTextAreaControl(PaintDevice& device, int32_t rows, int32_t columns,
                                    const char* text) override;
    FormControl* NewFileUploadControl(PaintDevice& device, int32_t columns, int32_t rows,
                                      const char* value) override;
};

// Registers the factory with the layout (for the program's life).
void InstallFormControlWindows();

// The field whose window (or a child of it) is the given window, or null.
FormControl* FormControlOfWindow(HWND window);

// Moves the focus from the field's window to the next (or previous) field
// of the same view in document order; false when there is none.
bool FocusNextFormField(HWND from, bool backwards);

// The text the file chooser writes for the chosen files: one file as its
// full path in double quotes; several as the folder and each name in
// double quotes, separated by ", " (and a line break when the field has
// more than one row). names: the folder followed by the file names, as the
// chooser answers (one element: a full path).
std::string ChosenFilesText(const std::vector<std::string>& names, bool multiRow);
