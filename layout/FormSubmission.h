// Submitting and resetting a form: the name/value pairs of its controls in
// document order, encoded as a query, a urlencoded body or a multipart
// message, and handed to the URL registry as the request to load.
//
// The page makes a FormSubmission for the element that caused it and calls
// SubmitForm with its layout; the window then opens the answered URL.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "net/UploadSource.h"
#include "net/UrlHandle.h"

class FormControl;
class FormControlBox;
class HtmlElement;
class LayoutElement;

// A "multipart/form-data" message under construction. The MIME encoder
// above this library makes it (RegisterFormMultipartMaker); the parts are
// added in document order.
class FormMultipart {
public:
    virtual ~FormMultipart() = default;
    // A "form-data" part with the name and the value as its data.
    virtual void AddField(const std::string& name, const std::string& value) = 0;
    // The parts of an upload field: one file in a "form-data" part, several
    // in a "multipart/mixed" of "attachment" parts.
    virtual void AddFiles(const std::string& name, const std::vector<std::string>& paths) = 0;
    // The finished message, ready to be read; null (with the message id of
    // the fault in error) when a file cannot be read.
    virtual std::unique_ptr<UploadSource> Finish(int& error) = 0;
};

class FormMultipartMaker {
public:
    virtual ~FormMultipartMaker() = default;
    // encoding: 5 (seven-bit, for mail) or 8 (binary, for HTTP).
    virtual std::unique_ptr<FormMultipart> Make(const char* contentType, int encoding) = 0;
};

// Registered by the MIME encoder at start-up (null: none; multipart forms
// are then not submitted).
void RegisterFormMultipartMaker(FormMultipartMaker* maker);

// The key text of a KEYGEN field for the chosen key size, from the security
// layer; registered at start-up. False when no key was made (the maker has
// told the user why). Without a maker a form with a KEYGEN is not sent.
using KeygenTextMaker = bool (*)(int keyBits, const char* challenge, std::string& text);
void RegisterKeygenTextMaker(KeygenTextMaker maker);

// Result codes of SubmitForm besides a URL.
enum FormSubmitError : int {
    kSubmitOk = 0,
    kSubmitNothing = 1,      // no form, no registry, or the element sends nothing
    kSubmitNoMultipart = 2,  // a multipart form with no encoder
    kSubmitNoKeyMaker = 3,   // a KEYGEN field with nothing to make its key
    kSubmitNoKey = 4,        // the key of a KEYGEN field was not made
};

// The subject of a form's mail.
constexpr char kFormMailSubject[] = "Form posted from Zintu";

class FormSubmission {
public:
    // element: the INPUT that caused the submission (or the ISINDEX); form:
    // its FORM element; base: the page's URL; (x, y) the click position of
    // an image button.
    FormSubmission(HtmlElement* element, HtmlElement* form, const UrlHandle& base, int16_t x = 0,
                   int16_t y = 0);
    ~FormSubmission();
    FormSubmission(const FormSubmission&) = delete;
    FormSubmission& operator=(const FormSubmission&) = delete;

    HtmlElement* element;
    UrlHandle base;
    bool firstPair = true;
    HtmlElement* form;
    std::unique_ptr<FormMultipart> multipart;
    int16_t x, y;
    // The target window name of the form (its TARGET), for the caller.
    std::string target;
    // ISINDEX: the text the user typed.
    std::string typed;
    // The pairs as they were encoded, and what went wrong (FormSubmitError
    // or a message id of a fault).
    std::string pairs;
    int error = kSubmitOk;
    // The layout whose boxes hold the form's controls (set by the page).
    LayoutElement* layout = nullptr;
};

// The FORM element of a control: the nearest enclosing FORM, else the
// nearest FORM before it in document order; null when there is none.
HtmlElement* FindFormOf(HtmlElement* element);

// Builds the request of the submission and answers its URL: the address
// with the query for GET, a private record with the body for POST; the
// empty handle when nothing was submitted (the reason in error). layout:
// the root of the page's layout, whose boxes hold the controls.
UrlHandle SubmitForm(FormSubmission& submission, LayoutElement* layout);

// The layout box that shows the element's control, or null.
FormControlBox* FindControlBox(LayoutElement* layout, const HtmlElement* element);
// The first field (INPUT, SELECT, TEXTAREA, KEYGEN) with that NAME below
// the element, or null.
HtmlElement* FindFieldByName(HtmlElement* root, const char* name);

// The same with the layout the page gave the submission.
inline UrlHandle SubmitForm(FormSubmission& submission) {
    return SubmitForm(submission, submission.layout);
}

// The submission a press of the control makes: its form (an enclosing
// ISINDEX stands for one), the control as the submitting element, and the
// click point. A text field submits by Enter only when its form has one
// text-entry field, as the form's first submit button. Null when the
// control is in no form or does not submit.
std::unique_ptr<FormSubmission> MakeFormSubmission(HtmlElement* control, const UrlHandle& page,
                                                   LayoutElement* layout, int16_t x, int16_t y);

// Gives every control of the form its default value again.
void ResetForm(HtmlElement* form, LayoutElement* layout);

// The URL of an ISINDEX search with the typed text.
UrlHandle SubmitIsindex(HtmlElement* isindex, const UrlHandle& page, const char* typed);

// The pairs of one control, appended to the submission's pairs (and parts).
// control: the control of its layout box, or null for fields without one.
void AddFormPair(FormSubmission& submission, HtmlElement* element, FormControl* control);
// Appends one pair (and, while a multipart message is built, its part).
void AppendEncodedPair(FormSubmission& submission, const std::string& name, const std::string* value);
// The pairs of an upload field.
void AddFilePart(FormSubmission& submission, const std::string& name, const std::string& fileNames);
