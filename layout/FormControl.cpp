#include "layout/FormControl.h"

#include <cstring>

#include "html/HtmlElement.h"
#include "html/HtmlTables.h"
#include "layout/FontTable.h"
#include "layout/FormEncoding.h"
#include "layout/LayoutElement.h"
#include "layout/PaintDevice.h"
#include "security/PasswordSeal.h"

namespace {
// System metrics the sizes are made of, as a window-less device takes them.
constexpr int32_t kBorder = 1;        // SM_CXBORDER, SM_CYBORDER
constexpr int32_t kScrollWidth = 16;  // SM_CXVSCROLL
constexpr int32_t kMinButtonWidth = 80;
constexpr int32_t kCheckSize = 17;
constexpr size_t kOptionTextLimit = 4095;

// The font a special style names, or a plain one when the table has none.
LogFont SpecialFont(int special, bool bold) {
    LogFont font;
    const LogFont* styled = g_fontTable ? g_fontTable->ForSpecial(special).Font() : nullptr;
    if (styled) {
        font = *styled;
    } else {
        font.height = -13;
        font.weight = 400;
        SetLogFontFace(font, special == kControlFontTextArea ? "Courier New" : "Arial");
    }
    if (bold) font.weight = 700;
    return font;
}

// Sets a special font on the device for the life of the object.
class DeviceFontScope {
public:
    DeviceFontScope(PaintDevice& device, int special, bool bold) : device_(device) {
        device_.GetLogFont(saved_);
        device_.SetLogFont(SpecialFont(special, bold));
    }
    ~DeviceFontScope() { device_.SetLogFont(saved_); }
    DeviceFontScope(const DeviceFontScope&) = delete;
    DeviceFontScope& operator=(const DeviceFontScope&) = delete;

private:
    PaintDevice& device_;
    LogFont saved_;
};

std::string Trimmed(const char* text) {
    const char* begin = text ? text : "";
    while (*begin == ' ') ++begin;
    const char* end = begin + std::strlen(begin);
    while (end > begin && end[-1] == ' ') --end;
    return std::string(begin, end);
}

// The number list of selected positions (1-based), comma-separated.
std::string NumberList(const std::vector<bool>& selected) {
    std::string out;
    for (size_t i = 0; i < selected.size(); ++i) {
        if (!selected[i]) continue;
        if (!out.empty()) out += ',';
        out += std::to_string(i + 1);
    }
    return out;
}
}  // namespace

// --- FormControl ---------------------------------------------------------------------------

FormControl::FormControl(PaintDevice& device, int type) : device_(device), type_(type) {}

FormControl::~FormControl() = default;

void FormControl::PaintWithoutWindow(int32_t x, int32_t y) {
    device_.DrawFrameRect(x, y, width_, height_, kPenSolid);
}

bool FormControl::GetValue(std::string& value) {
    value = value_;
    return true;
}

void FormControl::SetValue(const char* text) {
    value_ = text ? text : "";
}

void FormControl::Position(int32_t x, int32_t y, bool create) {
    if (device_.IsNotScreen()) {
        PaintWithoutWindow(x, y);
        return;
    }
    if (create && HasLateWindow()) CreateWindowOnDemand();
    if (positioned_ || !window_) return;
    positioned_ = true;
    PlaceWindow(x, y);
}

void FormControl::MeasureFont(int special, int32_t& aveCharWidth, int32_t& charHeight, bool bold) {
    DeviceFontScope scope(device_, special, bold);
    DeviceTextMetrics metrics;
    device_.GetTextMetrics(metrics);
    aveCharWidth = metrics.aveCharWidth > 0 ? metrics.aveCharWidth : 1;
    charHeight = metrics.height > 0 ? metrics.height : 1;
}

void FormControl::DrawTextInFont(int special, int32_t x, int32_t y, const std::string& text, bool bold) {
    DeviceFontScope scope(device_, special, bold);
    device_.DrawText(x, y, text.data(), static_cast<int>(text.size()));
}

// --- InputControl --------------------------------------------------------------------------

InputControl::InputControl(PaintDevice& device, int type, int32_t size, int32_t maxLength, const char* value,
                           bool checked)
    : FormControl(device, type), size_(size), maxLength_(maxLength), checked_(checked) {
    if (IsCheckable()) {
        checkValue_ = value ? value : "";
        width_ = height_ = kCheckSize;
        return;
    }
    value_ = value ? value : "";
    if (type == kControlHidden) {
        width_ = height_ = 1;
        return;
    }
    int32_t ave = 0, height = 0;
    MeasureFont(IsButton() ? kControlFontButton : kControlFontField, ave, height, IsButton());
    ComputeSize(ave, height, -1);
}

std::string InputControl::Label() const {
    if (!value_.empty()) return value_;
    switch (type_) {
        case kControlSubmit:
            return "Submit";
        case kControlReset:
            return "Reset";
        case kControlButton:
            return "Button";
        default:
            return std::string();
    }
}

void InputControl::ComputeSize(int32_t ave, int32_t charHeight, int32_t labelWidth) {
    const std::string label = IsButton() ? Label() : std::string();
    int64_t width;
    if (label.empty() || (size_ > 0 && !IsButton())) {
        width = static_cast<int64_t>(size_ + 1) * ave + 2 * kBorder;
    } else if (labelWidth >= 0) {
        width = labelWidth + 3 * ave + 2 * kBorder;
    } else {
        width = static_cast<int64_t>(label.size() + 3) * ave + 2 * kBorder;
    }
    if (!label.empty()) {
        if (IsButton()) width += 20;
        if (type_ != kControlButton && width < kMinButtonWidth) width = kMinButtonWidth;
    }
    if (label.empty() && size_ <= 0) width += 1;
    width_ = static_cast<int32_t>(width > 32767 ? 32767 : width);
    height_ = charHeight + charHeight / 3 + 2 * kBorder;
}

bool InputControl::GetValue(std::string& value) {
    if (IsCheckable()) {
        if (!checked_) return false;
        value = checkValue_.empty() ? "on" : checkValue_;
        return true;
    }
    value = value_;
    return true;
}

void InputControl::SetValue(const char* text) {
    if (IsCheckable()) {
        checked_ = text != nullptr;
        return;
    }
    value_ = text ? text : "";
}

void InputControl::PaintWithoutWindow(int32_t x, int32_t y) {
    if (type_ == kControlHidden) return;
    if (type_ == kControlRadio) {
        device_.DrawCircle(x, y, width_, height_);
        if (checked_)
            device_.FillDisc(x + width_ / 4, y + height_ / 4, width_ - width_ / 2, height_ - height_ / 2);
        return;
    }
    device_.DrawFrameRect(x, y, width_, height_, kPenSolid);
    if (type_ == kControlCheckbox) {
        if (checked_) device_.DrawCross(x, y, width_, height_);
        return;
    }
    const int special = IsButton() ? kControlFontButton : kControlFontField;
    int32_t ave = 0, charHeight = 0;
    MeasureFont(special, ave, charHeight, IsButton());
    std::string text = IsButton() ? Label() : value_;
    // A password is never printed.
    if (type_ == kControlPassword) text.assign(text.size(), '*');
    const int32_t fits = width_ / ave - 1;
    if (!IsButton() && static_cast<int32_t>(text.size()) > fits) text.resize(fits > 0 ? fits : 0);
    DrawTextInFont(special, x + ave / 2, y + (height_ - charHeight) / 2, text, IsButton());
}

// --- SelectControl -------------------------------------------------------------------------

SelectControl::SelectControl(PaintDevice& device, bool list, int32_t rows)
    : FormControl(device, kControlSelect), rows_(list && rows >= 2 ? rows : 1) {
    int32_t ave = 0;
    MeasureFont(kControlFontList, ave, charHeight_);
    aveCharWidth_ = ave;
    height_ = rows_ == 1 ? charHeight_ + charHeight_ / 3 + 2 * kBorder : charHeight_ * rows_;
    width_ = kScrollWidth + 2 * kBorder + 7;
}

void SelectControl::WidenFor(int32_t textWidth) {
    const int64_t width = static_cast<int64_t>(kScrollWidth) + 2 * kBorder + 7 + textWidth;
    if (width > width_) width_ = static_cast<int32_t>(width > 32767 ? 32767 : width);
}

void SelectControl::AddOption(const std::string& text, bool selected) {
    // A drop-down shows one choice: the first option, or the last one
    // marked selected.
    if (!IsList() && selected) selected_.assign(selected_.size(), false);
    selected_.push_back(selected || (!IsList() && selected_.empty()));
    WidenFor(static_cast<int32_t>(text.size()) * aveCharWidth_);
    // Only as many texts as rows are kept for printing; when full the first
    // gives way, unless it is a selected one.
    if (static_cast<int32_t>(kept_.size()) >= rows_) {
        if (keptSelected_.front()) return;
        kept_.erase(kept_.begin());
        keptSelected_.erase(keptSelected_.begin());
    }
    kept_.push_back(text);
    keptSelected_.push_back(selected);
}

void SelectControl::SelectListed(const char* text) {
    selected_.assign(selected_.size(), false);
    for (const char* p = text ? text : ""; *p;) {
        const int32_t position = CommaFieldToInt(p, 1);
        if (position >= 1 && position <= OptionCount()) {
            if (!IsList()) selected_.assign(selected_.size(), false);
            selected_[position - 1] = true;
        }
        const char* comma = std::strchr(p, ',');
        if (!comma) break;
        p = comma + 1;
    }
    if (!IsList() && !selected_.empty() && NumberList(selected_).empty()) selected_[0] = true;
}

bool SelectControl::GetValue(std::string& value) {
    value = NumberList(selected_);
    return !value.empty();
}

void SelectControl::SetValue(const char* text) {
    SelectListed(text);
}

void SelectControl::PaintWithoutWindow(int32_t x, int32_t y) {
    const int32_t button = kScrollWidth + 5;
    const int32_t field = width_ > button ? width_ - button : 0;
    device_.DrawFrameRect(x, y, field, height_, kPenSolid);
    device_.DrawFrameRect(x + field, y, width_ - field, height_, kPenSolid);
    int32_t ave = 0, charHeight = 0;
    MeasureFont(kControlFontList, ave, charHeight);
    DrawTextInFont(kControlFontList, x + field + (button - ave) / 2, y + (height_ - charHeight) / 2, "+");
    int32_t top = y + (height_ - charHeight) / 2;
    if (IsList()) top = y + (charHeight_ * rows_ - charHeight * static_cast<int32_t>(kept_.size())) / 2;
    for (const std::string& text : kept_) {
        DrawTextInFont(kControlFontList, x + ave / 2, top, text);
        top += charHeight;
    }
}

// --- TextAreaControl -----------------------------------------------------------------------

TextAreaControl::TextAreaControl(PaintDevice& device, int32_t rows, int32_t columns, const char* text)
    : FormControl(device, kControlTextArea), rows_(rows < 1 ? 1 : rows), columns_(columns < 1 ? 1 : columns) {
    value_ = text ? text : "";
    int32_t ave = 0, charHeight = 0;
    MeasureFont(kControlFontTextArea, ave, charHeight);
    const int64_t width = kScrollWidth + static_cast<int64_t>(ave) * columns_ + 6 + 2 * kBorder;
    const int64_t height = charHeight / 3 + static_cast<int64_t>(charHeight) * rows_ + 2 + 2 * kBorder;
    width_ = static_cast<int32_t>(width > 32767 ? 32767 : width);
    height_ = static_cast<int32_t>(height > 32767 ? 32767 : height);
}

std::vector<std::string> WrapTextAreaLines(const std::string& text, int32_t rows, int32_t columns) {
    std::vector<std::string> lines;
    const size_t n = text.size();
    size_t p = 0;
    while (p < n && static_cast<int32_t>(lines.size()) < rows) {
        size_t end = p;
        while (end < n && end - p < static_cast<size_t>(columns) && text[end] != '\r' && text[end] != '\n')
            ++end;
        size_t next = end;
        if (end < n && end - p == static_cast<size_t>(columns) && text[end] != '\r' && text[end] != '\n') {
            // Cut back to the last blank after the first character.
            size_t blank = end;
            while (blank > p + 1 && text[blank - 1] != ' ') --blank;
            if (blank > p + 1) end = next = blank - 1;
        }
        lines.push_back(text.substr(p, end - p));
        if (next < n && text[next] == ' ') {
            ++next;
        } else if (next < n && text[next] == '\r') {
            next += next + 1 < n && text[next + 1] == '\n' ? 2 : 1;
        } else if (next < n && text[next] == '\n') {
            ++next;
        }
        p = next;
    }
    return lines;
}

void TextAreaControl::PaintWithoutWindow(int32_t x, int32_t y) {
    device_.DrawFrameRect(x, y, width_, height_, kPenSolid);
    int32_t ave = 0, charHeight = 0;
    MeasureFont(kControlFontTextArea, ave, charHeight);
    const int32_t step = height_ / rows_;
    int32_t top = y + 2;
    for (const std::string& line : WrapTextAreaLines(value_, rows_, columns_)) {
        DrawTextInFont(kControlFontTextArea, x + ave / 2, top, line);
        top += step;
    }
}

// --- FileUploadControl ---------------------------------------------------------------------

int32_t FileUploadControl::ClampExtent(int32_t value, int32_t fallback) {
    if (value == 0) value = fallback;
    return value < 1 ? 1 : (value > 300 ? 300 : value);
}

FileUploadControl::FileUploadControl(PaintDevice& device, int32_t columns, int32_t rows, const char* value)
    : FormControl(device, kControlFile), columns_(ClampExtent(columns, 15)), rows_(ClampExtent(rows, 1)) {
    value_ = value ? value : "";
    int32_t ave = 0, charHeight = 0;
    MeasureFont(kControlFontField, ave, charHeight);
    // The client edge adds two on each side.
    int64_t editWidth = static_cast<int64_t>(columns_) * ave + 4 + 2;
    if (rows_ > 1) editWidth += kScrollWidth;
    int32_t buttonWidth;
    {
        DeviceFontScope scope(device_, kControlFontField, false);
        buttonWidth = device_.GetTextExtent(" ... ", 5);
    }
    const int64_t width = editWidth + buttonWidth;
    const int64_t height = static_cast<int64_t>(rows_) * (charHeight + 1) + 2 + 4;
    width_ = static_cast<int32_t>(width > 32767 ? 32767 : width);
    height_ = static_cast<int32_t>(height > 32767 ? 32767 : height);
}

void FileUploadControl::PaintWithoutWindow(int32_t x, int32_t y) {
    device_.DrawFrameRect(x, y, width_, height_, kPenSolid);
    int32_t ave = 0, charHeight = 0;
    MeasureFont(kControlFontField, ave, charHeight);
    std::string text = value_;
    const int32_t fits = width_ / ave - 1;
    if (static_cast<int32_t>(text.size()) > fits) text.resize(fits > 0 ? fits : 0);
    DrawTextInFont(kControlFontField, x + ave / 2, y + (height_ / rows_ - charHeight) / 2, text);
}

// --- defaults and the factory ----------------------------------------------------------------

std::string OptionText(const HtmlElement* option) {
    const HtmlElement* child = option ? option->FirstChild() : nullptr;
    if (!child) return std::string();
    if (!child->NextSibling() && child->GetText()) return Trimmed(child->GetText());
    std::string text;
    for (const HtmlElement* e = child; e && option->Contains(e); e = e->NextInOrder()) {
        if (const char* t = e->GetText()) text += t;
        if (text.size() >= kOptionTextLimit) {
            text.resize(kOptionTextLimit);
            break;
        }
    }
    return text;
}

namespace {
// The text of a text area: all its text children, a final space dropped.
std::string TextAreaText(const HtmlElement* area) {
    std::string text;
    for (const HtmlElement* c = area->FirstChild(); c; c = c->NextSibling()) {
        if (const char* t = c->GetText()) text += t;
    }
    if (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

}  // namespace

std::vector<uint32_t> KeygenSizes() {
    std::vector<uint32_t> sizes;
    for (int choice = 1; KeySizeFromChoice(choice) != 0; ++choice) sizes.push_back(KeySizeFromChoice(choice));
    return sizes;
}

std::vector<const HtmlElement*> SelectOptions(const HtmlElement* select) {
    std::vector<const HtmlElement*> options;
    for (const HtmlElement* e = select->NextInOrder(); e && select->Contains(e); e = e->NextInOrder()) {
        if (e->Type() == kTagOption) options.push_back(e);
    }
    return options;
}

bool FormControlDefault(const HtmlElement* element, std::string& value) {
    const FormFieldRecord* record = element ? element->GetFormField() : nullptr;
    value.clear();
    if (!record) return false;
    switch (element->Type()) {
        case kTagTextarea:
            value = TextAreaText(element);
            return true;
        case kTagSelect:
        case kTagKeygen: {
            // A KEYGEN's key sizes stand before its options.
            size_t first = 0;
            if (element->Type() == kTagKeygen) {
                const std::vector<uint32_t> sizes = KeygenSizes();
                first = sizes.size();
                for (size_t i = 0; i < sizes.size(); ++i) {
                    if (sizes[i] < kKeygenDefaultBits) continue;
                    value = std::to_string(i + 1);
                    break;
                }
            }
            const std::vector<const HtmlElement*> options = SelectOptions(element);
            for (size_t i = 0; i < options.size(); ++i) {
                const FormFieldRecord* o = options[i]->GetFormField();
                if (!o || !o->selected) continue;
                if (!value.empty()) value += ',';
                value += std::to_string(first + i + 1);
            }
            return true;
        }
        default:
            break;
    }
    if (record->fieldType == kFieldCheckbox || record->fieldType == kFieldRadio) {
        if (!record->checked) return false;
        value = record->value.Get() ? record->value.Get() : "on";
        return true;
    }
    if (record->value.Get()) value = record->value.Get();
    return true;
}

FormControl* PageControlFactory::MakeFormControl(HtmlElement* e, PaintDevice& device, int32_t& width,
                                                 int32_t& height) {
    FormFieldRecord* r = e ? e->GetFormField() : nullptr;
    if (!r) return nullptr;
    making_ = e;
    FormControl* control = nullptr;
    switch (e->Type()) {
        case kTagInput: {
            const char* value = !r->currentValue.empty() ? r->currentValue.c_str() : r->value.Get();
            if (r->fieldType == kFieldFile) {
                control = NewFileUploadControl(device, r->size, 1, value);
            } else {
                control =
                    NewInputControl(device, r->fieldType, r->size, r->maxLength, value, r->checked != 0);
            }
            break;
        }
        case kTagSelect:
        case kTagKeygen: {
            SelectControl* select =
                NewSelectControl(device, r->multiple || r->size > 1, r->size > 0 ? r->size : 1);
            if (!select) break;
            select->BeginOptions();
            if (e->Type() == kTagKeygen) {
                // The key sizes come first; the first of at least 1024 bits
                // is chosen.
                bool chosen = false;
                for (const uint32_t bits : KeygenSizes()) {
                    select->AddOption(std::to_string(bits), !chosen && bits >= kKeygenDefaultBits);
                    chosen = chosen || bits >= kKeygenDefaultBits;
                }
            }
            for (const HtmlElement* option : SelectOptions(e)) {
                const FormFieldRecord* o = option->GetFormField();
                select->AddOption(OptionText(option), o && o->selected);
            }
            select->EndOptions();
            control = select;
            break;
        }
        case kTagTextarea:
            control = NewTextAreaControl(device, r->rows, r->cols, TextAreaText(e).c_str());
            break;
        default:
            break;
    }
    making_ = nullptr;
    if (!control) return nullptr;
    width = control->Width();
    height = control->Height();
    return control;
}

void PageControlFactory::ReleaseFormControl(FormControl* control) {
    delete control;
}

FormControl* PageControlFactory::NewInputControl(PaintDevice& device, int type, int32_t size,
                                                 int32_t maxLength, const char* value, bool checked) {
    return new InputControl(device, type, size, maxLength, value, checked);
}

SelectControl* PageControlFactory::NewSelectControl(PaintDevice& device, bool list, int32_t rows) {
    return new SelectControl(device, list, rows);
}

FormControl* PageControlFactory::NewTextAreaControl(PaintDevice& device, int32_t rows, int32_t columns,
                                                    const char* text) {
    return new TextAreaControl(device, rows, columns, text);
}

FormControl* PageControlFactory::NewFileUploadControl(PaintDevice& device, int32_t columns, int32_t rows,
                                                      const char* value) {
    return new FileUploadControl(device, columns, rows, value);
}

// --- SavedControls -------------------------------------------------------------------------

SavedControls::~SavedControls() {
    Clear();
}

void SavedControls::KeepFrom(LayoutElement* layout) {
    for (TreeNode* n = layout; n; n = n->NextInOrder(false)) {
        auto* box = static_cast<LayoutElement*>(n);
        if (box->GetKind() != LayoutElement::kFormControlBox) continue;
        auto* controlBox = static_cast<FormControlBox*>(box);
        const FormFieldRecord* record = box->Element() ? box->Element()->GetFormField() : nullptr;
        if (!record || !controlBox->Control()) continue;
        FormControl* control = controlBox->ReleaseControl();
        // Hiding the window takes the keyboard from it; the new layout
        // gives it back.
        if (control->HasFocus()) refocus_ = control;
        control->Park();
        kept_.push_back({record->GetControlKey(), box->Element(), control});
    }
}

FormControl* SavedControls::Take(const HtmlElement* element) {
    const FormFieldRecord* record = element ? element->GetFormField() : nullptr;
    if (!record) return nullptr;
    const uint32_t key = record->GetControlKey();
    for (auto it = kept_.begin(); it != kept_.end(); ++it) {
        if (it->key != key || it->element != element) continue;
        FormControl* control = it->control;
        kept_.erase(it);
        control->Rescale();
        return control;
    }
    return nullptr;
}

void SavedControls::Put(const HtmlElement* element, FormControl* control) {
    const FormFieldRecord* record = element ? element->GetFormField() : nullptr;
    if (!record || !control) {
        delete control;
        return;
    }
    control->Park();
    kept_.push_back({record->GetControlKey(), element, control});
}

FormControl* SavedControls::TakeRefocus() {
    for (const Kept& k : kept_) {
        if (k.control == refocus_) return nullptr;
    }
    FormControl* control = refocus_;
    refocus_ = nullptr;
    return control;
}

void SavedControls::Clear() {
    for (const Kept& k : kept_) {
        if (k.control == refocus_) refocus_ = nullptr;
    }
    std::vector<Kept> gone;
    gone.swap(kept_);
    for (Kept& k : gone) delete k.control;
}
