#include "layout/FormSubmission.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <unordered_map>

#include "html/HtmlElement.h"
#include "html/HtmlTables.h"
#include "layout/FormControl.h"
#include "layout/FormEncoding.h"
#include "layout/LayoutElement.h"
#include "net/UrlNames.h"
#include "net/UrlRecord.h"
#include "net/UrlRegistry.h"
#include "net/UrlSchemeParts.h"
#include "security/PasswordSeal.h"

namespace {
FormMultipartMaker* g_multipartMaker = nullptr;
KeygenTextMaker g_keygenMaker = nullptr;

constexpr size_t kImageNameLimit = 4098;
constexpr uint32_t kKeygenTextSize = 16384;
const char kUrlencoded[] = "application/x-www-form-urlencoded";
const char kMultipartFormData[] = "multipart/form-data";

bool StartsWithNoCase(const char* text, const char* prefix) {
    const size_t n = std::strlen(prefix);
    if (!text || std::strlen(text) < n) return false;
    for (size_t i = 0; i < n; ++i) {
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
    }
    return true;
}

bool IsMailto(const char* action) {
    return StartsWithNoCase(action, "mailto:");
}

// The controls of the page's layout boxes by their elements.
std::unordered_map<const HtmlElement*, FormControl*> ControlsOfLayout(LayoutElement* layout) {
    std::unordered_map<const HtmlElement*, FormControl*> controls;
    for (TreeNode* n = layout; n; n = n->NextInOrder(false)) {
        auto* box = static_cast<LayoutElement*>(n);
        if (box->GetKind() != LayoutElement::kFormControlBox) continue;
        auto* controlBox = static_cast<FormControlBox*>(box);
        if (controlBox->Control() && controlBox->Element())
            controls[controlBox->Element()] = controlBox->Control();
    }
    return controls;
}

// The value an option sends: its VALUE, else its text without leading spaces.
std::string OptionValue(const HtmlElement* option) {
    const FormFieldRecord* r = option->GetFormField();
    if (r && r->value.Get()) return r->value.Get();
    std::string text = OptionText(option);
    const size_t start = text.find_first_not_of(' ');
    return start == std::string::npos ? std::string() : text.substr(start);
}

void AddSelectPairs(FormSubmission& s, const std::string& name, const HtmlElement* e, FormControl* control) {
    std::string numbers;
    if (!control || !control->GetValue(numbers)) return;
    const std::vector<const HtmlElement*> options = SelectOptions(e);
    const FormFieldRecord* r = e->GetFormField();
    const size_t sizes = e->Type() == kTagKeygen ? KeygenSizes().size() : 0;
    for (const char* p = numbers.c_str(); *p;) {
        const int32_t n = CommaFieldToInt(p, 1);
        if (n >= 1 && static_cast<size_t>(n) <= sizes) {
            // The key entries are the sizes before the options. A form
            // whose key is not made is not sent without it.
            std::string text;
            if (!g_keygenMaker)
                s.error = kSubmitNoKeyMaker;
            else if (!g_keygenMaker(static_cast<int>(KeySizeFromChoice(n)), r ? r->encType.Get() : nullptr,
                                      text))
                s.error = kSubmitNoKey;
            if (s.error != kSubmitOk) return;
            if (text.size() >= kKeygenTextSize) text.resize(kKeygenTextSize - 1);
            AppendEncodedPair(s, name, &text);
        } else if (n >= 1 && static_cast<size_t>(n) - sizes <= options.size()) {
            const std::string value = OptionValue(options[static_cast<size_t>(n) - sizes - 1]);
            AppendEncodedPair(s, name, &value);
        }
        const char* comma = std::strchr(p, ',');
        if (!comma) break;
        p = comma + 1;
    }
}

void AddImagePairs(FormSubmission& s, const char* name) {
    const size_t length = name ? std::strlen(name) : 0;
    if (length >= kImageNameLimit) return;
    const std::string base = length ? std::string(name) + "." : std::string();
    const std::string x = std::to_string(s.x), y = std::to_string(s.y);
    AppendEncodedPair(s, base + "x", &x);
    AppendEncodedPair(s, base + "y", &y);
}

// The address the form goes to, without its fragment.
std::string FormAddress(const FormFieldRecord& form, const UrlHandle& page, std::string& fragment) {
    const char* action = form.action.Get();
    if (!action || !*action) {
        std::string address = page.GetName() ? page.GetName() : "";
        int slashes = 0;
        for (char c : address) slashes += c == '/';
        if (slashes < 3) address += '/';
        return address;
    }
    std::string address = action;
    const size_t hash = address.find('#');
    if (hash != std::string::npos) {
        fragment = address.substr(hash + 1);
        address.resize(hash);
    }
    return address;
}

// The finished multipart message of the submission; null (the reason in
// the submission's error) when it cannot be made.
std::unique_ptr<UploadSource> FinishMultipart(FormSubmission& s) {
    int error = 0;
    std::unique_ptr<UploadSource> message = s.multipart->Finish(error);
    s.multipart.reset();
    if (!message) s.error = error ? error : kSubmitNothing;
    return message;
}

// A form to a "mailto:" address goes as a mail, whatever its method: the
// record, when loaded, sends it to the address (up to a "?") with the pairs
// or the multipart message as its body.
UrlHandle MailForm(FormSubmission& s, UrlRegistry& registry, const std::string& address,
                   const char* encType) {
    UrlHandle url = registry.Find(&s.base, address.c_str(), nullptr, true);
    if (url.IsEmpty() || url->GetScheme() != kSchemeMailto) {
        s.error = kSubmitNothing;
        return UrlHandle();
    }
    std::string to = address.substr(std::strlen("mailto:"));
    to.resize(std::min(to.size(), to.find('?')));
    url->SetMailTo(to.c_str());
    url->SetMailSubject(kFormMailSubject);
    if (s.multipart) {
        std::unique_ptr<UploadSource> message = FinishMultipart(s);
        if (!message) return UrlHandle();
        url->SetMailMessage(std::move(message));
    } else {
        url->SetMailBody(s.pairs.c_str(), encType && *encType ? encType : kUrlencoded);
    }
    return url;
}

bool IsHttpRecord(const UrlHandle& url) {
    const int scheme = url.IsEmpty() ? -1 : url->GetScheme();
    return scheme == kSchemeHttp || scheme == kSchemeHttps;
}
}  // namespace

FormControlBox* FindControlBox(LayoutElement* layout, const HtmlElement* element) {
    for (TreeNode* n = layout; n && element; n = n->NextInOrder(false)) {
        auto* box = static_cast<LayoutElement*>(n);
        if (box->GetKind() == LayoutElement::kFormControlBox && box->Element() == element) {
            return static_cast<FormControlBox*>(box);
        }
    }
    return nullptr;
}

HtmlElement* FindFieldByName(HtmlElement* root, const char* name) {
    for (HtmlElement* e = root; e && name; e = e->NextInOrder()) {
        const FormFieldRecord* r =
            e->Type() != kTagForm && e->Type() != kTagOption ? e->GetFormField() : nullptr;
        if (r && r->name.Get() && std::strcmp(r->name.Get(), name) == 0) return e;
    }
    return nullptr;
}

void RegisterFormMultipartMaker(FormMultipartMaker* maker) {
    g_multipartMaker = maker;
}
void RegisterKeygenTextMaker(KeygenTextMaker maker) {
    g_keygenMaker = maker;
}

FormSubmission::FormSubmission(HtmlElement* element, HtmlElement* form, const UrlHandle& base, int16_t x,
                               int16_t y)
    : element(element), base(base), form(form), x(x), y(y) {}

FormSubmission::~FormSubmission() = default;

HtmlElement* FindFormOf(HtmlElement* element) {
    for (HtmlElement* e = element; e; e = e->Parent()) {
        if (e->Type() == kTagForm) return e;
    }
    // The nearest FORM before the element in document order.
    HtmlElement* form = nullptr;
    HtmlElement* root = element;
    while (root && root->Parent()) root = root->Parent();
    for (HtmlElement* e = root; e && e != element; e = e->NextInOrder()) {
        if (e->Type() == kTagForm) form = e;
    }
    return form;
}

void AppendEncodedPair(FormSubmission& s, const std::string& name, const std::string* value) {
    AppendUrlPair(s.pairs, s.firstPair, name.c_str(), value ? value->data() : nullptr,
                  value ? value->size() : 0);
    s.firstPair = false;
    if (s.multipart) s.multipart->AddField(name, value ? *value : std::string());
}

void AddFilePart(FormSubmission& s, const std::string& name, const std::string& fileNames) {
    if (!s.multipart) {
        AppendEncodedPair(s, name, &fileNames);
        return;
    }
    const std::vector<std::string> paths = SplitUploadFileNames(fileNames.c_str());
    if (paths.empty()) {
        AppendEncodedPair(s, name, &fileNames);
        return;
    }
    AppendUrlPair(s.pairs, s.firstPair, name.c_str(), fileNames.data(), fileNames.size());
    s.firstPair = false;
    s.multipart->AddFiles(name, paths);
}

void AddFormPair(FormSubmission& s, HtmlElement* e, FormControl* control) {
    const FormFieldRecord* r = e ? e->GetFormField() : nullptr;
    if (!r) return;
    const int type = e->Type() == kTagInput ? r->fieldType : 0;
    const char* name = r->name.Get();
    switch (type) {
        case kFieldReset:
        case 9:
        case kFieldButton:
            return;
        case kFieldSubmit:
            if (e != s.element) return;
            break;
        case kFieldImage:
            if (e == s.element) AddImagePairs(s, name);
            return;
        default:
            break;
    }
    if (!name || !*name) return;
    if (e->Type() == kTagSelect || e->Type() == kTagKeygen) {
        AddSelectPairs(s, name, e, control);
        return;
    }
    // The control's own text, whatever its length and even when the user
    // emptied it: the default VALUE only stands in for a field without one.
    std::string value;
    if (control) {
        if (!control->GetValue(value)) return;
    } else if (type == kFieldCheckbox || type == kFieldRadio) {
        return;
    } else {
        value = !r->currentValue.empty() ? r->currentValue : (r->value.Get() ? r->value.Get() : "");
    }
    if (type == kFieldFile) {
        if (!value.empty()) AddFilePart(s, name, value);
        return;
    }
    AppendEncodedPair(s, name, &value);
}

UrlHandle SubmitForm(FormSubmission& s, LayoutElement* layout) {
    const FormFieldRecord* form = s.form ? s.form->GetFormField() : nullptr;
    UrlRegistry* registry = UrlRegistry::Instance();
    if (!form || !registry) {
        s.error = kSubmitNothing;
        return UrlHandle();
    }
    s.firstPair = true;
    s.pairs.clear();
    s.multipart.reset();
    s.error = kSubmitOk;
    const char* action = form->action.Get();
    const char* encType = form->encType.Get();
    if (encType && StartsWithNoCase(encType, kMultipartFormData)) {
        if (!g_multipartMaker) {
            s.error = kSubmitNoMultipart;
            return UrlHandle();
        }
        s.multipart = g_multipartMaker->Make(encType, IsMailto(action) ? 5 : 8);
        if (!s.multipart) {
            s.error = kSubmitNoMultipart;
            return UrlHandle();
        }
    }
    if (form->target.Get()) s.target = form->target.Get();

    const auto controls = ControlsOfLayout(layout);
    for (HtmlElement* e = s.form->NextControlOfForm(form->formNumber, false); e;
         e = e->NextControlOfForm(form->formNumber, false)) {
        const int type = e->Type() == kTagInput ? e->GetFormFieldType() : 0;
        if (type == kFieldHidden || type == kFieldImage) {
            AddFormPair(s, e, nullptr);
            continue;
        }
        const auto found = controls.find(e);
        if (found != controls.end()) AddFormPair(s, e, found->second);
        if (s.error != kSubmitOk) {
            s.multipart.reset();
            return UrlHandle();
        }
    }

    std::string fragment;
    std::string address = FormAddress(*form, s.base, fragment);
    if (IsMailto(address.c_str())) {
        UrlHandle mail = MailForm(s, *registry, address, encType);
        if (!mail.IsEmpty()) mail->SetFormPending(true);
        return mail;
    }
    const bool post = form->method == 2;
    if (!post) {
        if (address.empty() || address.back() != '?') address += '?';
        address += s.pairs;
    }
    UrlHandle url =
        registry->Find(&s.base, address.c_str(), fragment.empty() ? nullptr : fragment.c_str(), post);
    if (url.IsEmpty()) return url;
    url->SetFormPending(true);
    if (!post || !IsHttpRecord(url)) return url;
    url->SetHttpMethod(kMethodPost);
    if (s.multipart) {
        std::unique_ptr<UploadSource> body = FinishMultipart(s);
        if (!body) return UrlHandle();
        url->SetUploadObject(std::move(body), true);
        url->SetPostContentType(encType);
    } else {
        url->SetPostData(s.pairs.c_str(), true);
        url->SetPostContentType(encType && *encType ? encType : kUrlencoded);
    }
    return url;
}

namespace {
bool IsTextEntry(const HtmlElement* e) {
    if (e->Type() == kTagTextarea) return true;
    const int type = e->Type() == kTagInput ? e->GetFormFieldType() : 0;
    return type == kFieldText || type == kFieldPassword;
}
}  // namespace

std::unique_ptr<FormSubmission> MakeFormSubmission(HtmlElement* control, const UrlHandle& page,
                                                   LayoutElement* layout, int16_t x, int16_t y) {
    for (HtmlElement* e = control; e; e = e->Parent()) {
        if (e->Type() == kTagIsindex) return std::make_unique<FormSubmission>(e, e, page, x, y);
    }
    HtmlElement* form = control ? FindFormOf(control) : nullptr;
    const FormFieldRecord* record = form ? form->GetFormField() : nullptr;
    if (!record) return nullptr;
    HtmlElement* submitter = control;
    if (control->Type() == kTagInput && control->GetFormFieldType() == kFieldText) {
        // Enter in a text field: only a form of one text-entry field goes.
        int entries = 0;
        HtmlElement* firstSubmit = nullptr;
        for (HtmlElement* e = form->NextControlOfForm(record->formNumber, false); e;
             e = e->NextControlOfForm(record->formNumber, false)) {
            entries += IsTextEntry(e);
            if (!firstSubmit && e->Type() == kTagInput && e->GetFormFieldType() == kFieldSubmit)
                firstSubmit = e;
        }
        if (entries != 1) return nullptr;
        submitter = firstSubmit;
    }
    auto submission = std::make_unique<FormSubmission>(submitter, form, page, x, y);
    submission->layout = layout;
    if (record->target.Get()) submission->target = record->target.Get();
    return submission;
}

void ResetForm(HtmlElement* formElement, LayoutElement* layout) {
    const FormFieldRecord* form = formElement ? formElement->GetFormField() : nullptr;
    if (!form) return;
    std::unordered_map<const HtmlElement*, FormControlBox*> boxes;
    for (TreeNode* n = layout; n; n = n->NextInOrder(false)) {
        auto* box = static_cast<LayoutElement*>(n);
        if (box->GetKind() == LayoutElement::kFormControlBox && box->Element()) {
            boxes[box->Element()] = static_cast<FormControlBox*>(box);
        }
    }
    for (HtmlElement* e = formElement->NextControlOfForm(form->formNumber, false); e;
         e = e->NextControlOfForm(form->formNumber, false)) {
        const int type = e->Type() == kTagInput ? e->GetFormFieldType() : 0;
        if (type == kFieldHidden || type == kFieldImage) continue;
        const auto found = boxes.find(e);
        if (found != boxes.end()) found->second->Reset();
    }
}

UrlHandle SubmitIsindex(HtmlElement* isindex, const UrlHandle& page, const char* typed) {
    UrlRegistry* registry = UrlRegistry::Instance();
    if (!registry) return UrlHandle();
    const IsIndexRecord* record = isindex ? isindex->RecordAs<IsIndexRecord>() : nullptr;
    std::string address;
    if (record && record->action.Get() && *record->action.Get()) {
        address = record->action.Get();
    } else {
        address = page.GetName() ? page.GetName() : "";
        const size_t query = address.find('?');
        if (query != std::string::npos) address.resize(query);
    }
    address += '?';
    address += IsindexQuery(typed);
    return registry->Find(&page, address.c_str(), nullptr, false);
}
