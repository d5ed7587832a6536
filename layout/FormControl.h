// The form fields of a page: one FormControl per INPUT, SELECT, KEYGEN or
// TEXTAREA, made by the control factory while the page is formatted and
// owned by its layout box (FormControlBox).
//
// The classes here are the fields without a window: they keep their values
// and draw themselves through the output device, as printing and text
// output need. On a screen the forms code above this library derives
// windowed classes from them (system child windows of the view) and
// registers a factory that makes those; a windowed control answers from its
// window and falls back to these members while it has none.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "layout/ReplacedElements.h"

class HtmlElement;
class LayoutElement;
class PaintDevice;

// Control types of an INPUT (the element's form-field type).
enum FormControlType : int {
    kControlText = 1,
    kControlCheckbox = 2,
    kControlRadio = 3,
    kControlSubmit = 4,
    kControlReset = 5,
    kControlHidden = 6,
    kControlImage = 7,
    kControlPassword = 8,
    kControlButton = 10,
    kControlFile = 11,
    // The element kinds that are not INPUTs.
    kControlSelect = 100,
    kControlTextArea = 101,
};

// Special fonts of the font table the controls take.
constexpr int kControlFontField = 0;
constexpr int kControlFontTextArea = 1;
constexpr int kControlFontList = 2;
constexpr int kControlFontButton = 3;

// The longest text a text area holds (EM_LIMITTEXT 0xff7f).
constexpr int32_t kTextAreaLimit = 65407;

class FormControl {
public:
    FormControl(PaintDevice& device, int type);
    virtual ~FormControl();
    FormControl(const FormControl&) = delete;
    FormControl& operator=(const FormControl&) = delete;

    // --- the operations, in their order -----------------------------------
    // Draws the field on a device that is not a screen.
    virtual void PaintWithoutWindow(int32_t x, int32_t y);
    // The value the field contributes; false when it contributes nothing (an
    // unchecked box, a select with nothing selected).
    virtual bool GetValue(std::string& value);
    // Sets the value; a layout box's reset passes the element's default.
    virtual void SetValue(const char* text);
    // Makes windows that are made late (radio groups); the base makes none.
    virtual void CreateWindowOnDemand() {}
    // Gives up the window, remembering the position (radio groups).
    virtual void ReleaseWindow(int32_t x, int32_t y) {}
    virtual bool HasLateWindow() const { return false; }
    // The page's scale changed while the control was kept for a new layout:
    // its size in layout units follows its window's size at the new scale.
    virtual void Rescale() {}
    // Gives the keyboard focus to the control's window.
    virtual void Focus() {}
    // Whether the control's window (or one of its own) has the keyboard.
    virtual bool HasFocus() const { return false; }

    // --- non-virtual --------------------------------------------------------
    // Places the field at (x, y) in layout units: on a screen its window is
    // moved there the first time (the window's own hook); elsewhere it is
    // drawn.
    void Position(int32_t x, int32_t y, bool create);
    int Type() const { return type_; }
    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }
    // Takes the control off the page while it waits for a new layout: its
    // window is hidden and is moved again when the control is next placed.
    void Park() {
        positioned_ = false;
        HideWindow();
    }
    // The system window of the field, null when it has none.
    void* Window() const { return window_; }
    PaintDevice& Device() const { return device_; }

protected:
    // Moves the window to (x, y) in layout units and shows it; called once.
    virtual void PlaceWindow(int32_t x, int32_t y) {}
    virtual void HideWindow() {}
    // The average character width and the character height of the special
    // font on the device, restoring the device's font afterwards.
    void MeasureFont(int special, int32_t& aveCharWidth, int32_t& charHeight, bool bold = false);
    // Draws text in the special font, restoring the device's font.
    void DrawTextInFont(int special, int32_t x, int32_t y, const std::string& text, bool bold = false);

    void* window_ = nullptr;
    PaintDevice& device_;
    int32_t width_ = 0, height_ = 0;
    std::string value_;
    bool positioned_ = false;
    int type_;
};

// INPUT fields: text, password, buttons, check boxes, radio buttons,
// hidden and image fields, and type 11.
class InputControl : public FormControl {
public:
    InputControl(PaintDevice& device, int type, int32_t size, int32_t maxLength, const char* value,
                 bool checked);
    void PaintWithoutWindow(int32_t x, int32_t y) override;
    bool GetValue(std::string& value) override;
    void SetValue(const char* text) override;

    bool IsButton() const {
        return type_ == kControlSubmit || type_ == kControlReset || type_ == kControlButton;
    }
    bool IsCheckable() const { return type_ == kControlCheckbox || type_ == kControlRadio; }
    // The label of a button: its value or the type's default.
    std::string Label() const;
    bool Checked() const { return checked_; }
    int32_t MaxLength() const { return maxLength_; }

protected:
    // The width in pixels from the label (measured by labelWidth, -1 when
    // there is none to measure) and the font's metrics.
    void ComputeSize(int32_t aveCharWidth, int32_t charHeight, int32_t labelWidth);

    int32_t size_;
    int32_t maxLength_;
    bool checked_;
    // The value of a check box or radio button (sent when checked).
    std::string checkValue_;
};

// SELECT (and KEYGEN): a drop-down of one row or a list of several.
class SelectControl : public FormControl {
public:
    // list: MULTIPLE or a SIZE above 1; rows: the SIZE (1 when not given).
    SelectControl(PaintDevice& device, bool list, int32_t rows);
    void PaintWithoutWindow(int32_t x, int32_t y) override;
    bool GetValue(std::string& value) override;
    void SetValue(const char* text) override;

    // Options are added between these two calls.
    virtual void BeginOptions() {}
    virtual void AddOption(const std::string& text, bool selected);
    virtual void EndOptions() {}

    bool IsList() const { return rows_ > 1; }
    int32_t Rows() const { return rows_; }
    int32_t OptionCount() const { return static_cast<int32_t>(selected_.size()); }
    // The kept option texts (as many as there are rows, for printing).
    const std::vector<std::string>& KeptTexts() const { return kept_; }

protected:
    // Widens the control to hold an option of that width in pixels.
    void WidenFor(int32_t textWidth);
    // Marks the 1-based positions listed in the comma-separated text.
    void SelectListed(const char* text);

    int32_t rows_;
    int32_t aveCharWidth_ = 0, charHeight_ = 0;
    std::vector<bool> selected_;
    std::vector<std::string> kept_;
    std::vector<bool> keptSelected_;
};

// TEXTAREA.
class TextAreaControl : public FormControl {
public:
    TextAreaControl(PaintDevice& device, int32_t rows, int32_t columns, const char* text);
    void PaintWithoutWindow(int32_t x, int32_t y) override;

    int32_t Rows() const { return rows_; }
    int32_t Columns() const { return columns_; }

protected:
    int32_t rows_, columns_;
};

// The file-upload field: an edit for the names and a " ... " button.
class FileUploadControl : public FormControl {
public:
    // Columns default to 15; both are clamped to 1..300.
    FileUploadControl(PaintDevice& device, int32_t columns, int32_t rows, const char* value);
    void PaintWithoutWindow(int32_t x, int32_t y) override;

    int32_t Rows() const { return rows_; }
    int32_t Columns() const { return columns_; }
    static int32_t ClampExtent(int32_t value, int32_t fallback);

protected:
    int32_t columns_, rows_;
};

// The controls of a page kept across a new layout of it (a new width, a
// zoom, a style sheet that came late), so that what the user typed, ticked
// and chose stays: the old layout gives its controls up, the new one takes
// each back for its element, and what no element took back goes when the
// page is laid out to its end.
class SavedControls {
public:
    SavedControls() = default;
    ~SavedControls();
    SavedControls(const SavedControls&) = delete;
    SavedControls& operator=(const SavedControls&) = delete;

    // Takes the controls out of the layout's boxes.
    void KeepFrom(LayoutElement* layout);
    // The kept control of the element (by its form and control numbers),
    // null when there is none; the caller owns it.
    FormControl* Take(const HtmlElement* element);
    // Gives back a control taken but not placed.
    void Put(const HtmlElement* element, FormControl* control);
    void Clear();
    size_t Count() const { return kept_.size(); }
    // The control that had the keyboard when its layout gave it up, once a
    // new layout has taken it back (null until then, and after); asked once.
    FormControl* TakeRefocus();

private:
    struct Kept {
        uint32_t key;
        const HtmlElement* element;
        FormControl* control;
    };
    std::vector<Kept> kept_;
    FormControl* refocus_ = nullptr;
};

// Wraps a text area's text into at most `rows` lines of up to `columns`
// characters, as it is drawn without a window.
std::vector<std::string> WrapTextAreaLines(const std::string& text, int32_t rows, int32_t columns);

// The control factory of a page: reads the element and makes its control.
// The New* members choose the classes; these make the window-less ones,
// the forms code above overrides them for screens.
class PageControlFactory : public FormControlFactory {
public:
    FormControl* MakeFormControl(HtmlElement* element, PaintDevice& device, int32_t& width,
                                 int32_t& height) override;
    void ReleaseFormControl(FormControl* control) override;

protected:
    // The element whose control is being made (during the New* calls).
    const HtmlElement* Making() const { return making_; }
    virtual FormControl* NewInputControl(PaintDevice& device, int type, int32_t size, int32_t maxLength,
                                         const char* value, bool checked);
    virtual SelectControl* NewSelectControl(PaintDevice& device, bool list, int32_t rows);
    virtual FormControl* NewTextAreaControl(PaintDevice& device, int32_t rows, int32_t columns,
                                            const char* text);
    virtual FormControl* NewFileUploadControl(PaintDevice& device, int32_t columns, int32_t rows,
                                              const char* value);

private:
    const HtmlElement* making_ = nullptr;
};

// The OPTION elements of a SELECT, in document order.
std::vector<const HtmlElement*> SelectOptions(const HtmlElement* select);
// The key sizes a KEYGEN lists before its options, in bits, and the size
// its list starts at (the first of at least that many bits).
std::vector<uint32_t> KeygenSizes();
constexpr uint32_t kKeygenDefaultBits = 1024;
// The text of an OPTION: a single text child without its leading and
// trailing spaces, else the text of its descendants (at most 4095 bytes).
std::string OptionText(const HtmlElement* option);
// The element's default value (what Reset gives back): for check boxes and
// radio buttons the VALUE (or "on") when CHECKED, else null; for text
// fields the VALUE; for a select the positions of its SELECTED options (a
// KEYGEN's first key size of 1024 bits or more, then those); for a text area
// its text.
bool FormControlDefault(const HtmlElement* element, std::string& value);
