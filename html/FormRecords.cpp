// Records of forms and their fields, and of ISINDEX.
#include <cstring>

#include "html/ElementRecords.h"
#include "html/HtmlTokenizer.h"
#include "html/PageProperties.h"
#include "html/RecordSlots.h"

using namespace record_slots;

FormFieldRecord::FormFieldRecord(int type, const AttributeSlot* slots, const RecordContext& context) {
    PageProperties* page = context.page;
    if (page) {
        if (type == kTagForm) {
            ++page->formCounter;
            page->formClosed = false;
            page->controlCounter = 0;
            formNumber = page->formCounter;
        } else {
            formNumber = page->formCounter;
            controlNumber = ++page->controlCounter;
        }
    }
    bool typeGiven = false, sizeGiven = false, rowsGiven = false, colsGiven = false, maxGiven = false;
    bool methodGiven = false, actionGiven = false, srcGiven = false;
    for (const AttributeSlot* s = slots; s && s->code; ++s) {
        switch (s->code) {
            case kAttrType:
                if (!typeGiven && s->value) {
                    typeGiven = true;
                    int k = Keyword(*s);
                    if ((k >= kKeyText && k <= kKeyPassword) || k == kKeyFile)
                        fieldType = k - 31;
                    else if (k == kKeyButton || k == kKeyPushbutton)
                        fieldType = kFieldButton;
                }
                break;
            case kAttrSize:
                if (!sizeGiven && NonEmpty(*s)) {
                    sizeGiven = true;
                    const char* comma = static_cast<const char*>(std::memchr(s->value, ',', s->valueLength));
                    if (comma) {
                        cols = SlotNumber(s->value, static_cast<int>(comma - s->value));
                        rows = SlotNumber(comma + 1, static_cast<int>(s->value + s->valueLength - comma - 1));
                    } else {
                        size = Number(*s);
                    }
                }
                break;
            case kAttrRows:
                if (!rowsGiven && NonEmpty(*s)) {
                    rows = Number(*s);
                    rowsGiven = true;
                }
                break;
            case kAttrCols:
                if (!colsGiven && NonEmpty(*s)) {
                    cols = Number(*s);
                    colsGiven = true;
                }
                break;
            case kAttrMaxlength:
                if (!maxGiven && NonEmpty(*s)) {
                    maxLength = Number(*s);
                    maxGiven = true;
                }
                break;
            case kAttrMethod:
                if (!methodGiven && NonEmpty(*s)) {
                    method = Keyword(*s) == kKeyPost ? 2 : 0;
                    methodGiven = true;
                }
                break;
            case kAttrAction:
                if (!actionGiven && s->value) {
                    actionGiven = true;
                    action = AbsoluteAction(*s, page);
                }
                break;
            case kAttrEnctype:
                TakeText(encType, *s, false);
                break;
            case kAttrChallenge:
                if (type == kTagKeygen) TakeText(encType, *s, false);
                break;
            case kAttrTarget:
                TakeText(target, *s);
                break;
            case kAttrName:
                TakeText(name, *s);
                break;
            case kAttrId:
                TakeText(id_, *s);
                break;
            case kAttrClass:
                TakeText(class_, *s);
                break;
            case kAttrStyle:
                TakeCommon(*s, context);
                break;
            case kAttrValue:
                TakeText(value, *s);
                break;
            case kAttrSrc:
                if (!srcGiven && NonEmpty(*s)) {
                    src = ParseUrlAttribute(*s, page, nullptr);
                    srcGiven = true;
                }
                break;
            case kAttrChecked:
                checked = 1;
                break;
            case kAttrSelected:
                selected = 1;
                break;
            case kAttrMultiple:
                multiple = 1;
                break;
            case kAttrAlign:
                alignGiven = 1;
                break;
            case kAttrOnclick:
                TakeText(onClick, *s, false);
                break;
            case kAttrOnfocus:
                TakeText(onFocus, *s, false);
                break;
            case kAttrOnblur:
                TakeText(onBlur, *s, false);
                break;
            case kAttrOnchange:
                TakeText(onChange, *s, false);
                break;
            case kAttrOnsubmit:
                TakeText(onSubmit, *s, false);
                break;
            case kAttrOnreset:
                TakeText(onReset, *s, false);
                break;
        }
    }
    if (type == kTagInput && (fieldType == kFieldText || fieldType == kFieldPassword) && size == 0) size = 15;
    if (type == kTagTextarea) {
        if (!rowsGiven) rows = 1;
        if (!colsGiven) cols = 1;
    }
}

FormFieldRecord::FormFieldRecord(const FormFieldRecord& o)
    : TabledRecord(o),
      fieldType(o.fieldType),
      maxLength(o.maxLength),
      size(o.size),
      rows(o.rows),
      cols(o.cols),
      value(o.value),
      name(o.name),
      action(o.action),
      encType(o.encType),
      target(o.target),
      method(o.method),
      selected(o.selected),
      multiple(o.multiple || o.size > 1),
      alignGiven(o.alignGiven),
      checked(o.checked),
      controlNumber(o.controlNumber),
      formNumber(o.formNumber),
      onClick(o.onClick),
      onBlur(o.onBlur),
      onChange(o.onChange),
      onFocus(o.onFocus),
      onSubmit(o.onSubmit),
      onReset(o.onReset) {
    if (o.src) src = NewUrl(*o.src);
    currentValue = !o.currentValue.empty() ? o.currentValue : (o.value.Get() ? o.value.Get() : "");
}

IsIndexRecord::IsIndexRecord(const AttributeSlot* slots, const RecordContext& context) {
    for (const AttributeSlot* s = slots; s->code; ++s) {
        if (s->code == kAttrPrompt) TakeText(prompt, *s);
        if (s->code == kAttrAction && !action.IsSet() && s->value) {
            action = AbsoluteAction(*s, context.page);
        }
    }
}

const RecordTable<FormFieldRecord>& FormFieldRecord::Table() {
    using E = DumpEntry<FormFieldRecord>;
    static const RecordTable<FormFieldRecord> kTable = {
        {
            {"type", E::kInt, &FormFieldRecord::fieldType},
            {"form", E::kInt, &FormFieldRecord::formNumber},
            {"control", E::kInt, &FormFieldRecord::controlNumber},
            {"maxlength", E::kUnless, &FormFieldRecord::maxLength, 32767},
            {"size", E::kUnless, &FormFieldRecord::size, 0},
            {"rows", E::kUnless, &FormFieldRecord::rows, 0},
            {"cols", E::kUnless, &FormFieldRecord::cols, 0},
            {"value", E::kText, &FormFieldRecord::value},
            {"name", E::kText, &FormFieldRecord::name},
            {"action", E::kText, &FormFieldRecord::action},
            {"enctype", E::kText, &FormFieldRecord::encType},
            {"target", E::kText, &FormFieldRecord::target},
            {"method", E::kUnless, &FormFieldRecord::method, 0},
            {"selected", E::kFlag, &FormFieldRecord::selected},
            {"multiple", E::kFlag, &FormFieldRecord::multiple},
            {"checked", E::kFlag, &FormFieldRecord::checked},
            {"src", E::kUrl, &FormFieldRecord::src},
            {nullptr, E::kCommon},
        },
        {
            {kEventClick, &FormFieldRecord::onClick},
            {kEventBlur, &FormFieldRecord::onBlur},
            {kEventFocus, &FormFieldRecord::onFocus},
            {kEventChange, &FormFieldRecord::onChange},
            {kEventSubmit, &FormFieldRecord::onSubmit},
            {kEventReset, &FormFieldRecord::onReset},
        },
    };
    return kTable;
}

const RecordTable<IsIndexRecord>& IsIndexRecord::Table() {
    using E = DumpEntry<IsIndexRecord>;
    static const RecordTable<IsIndexRecord> kTable = {
        {
            {"action", E::kText, &IsIndexRecord::action},
            {"prompt", E::kText, &IsIndexRecord::prompt},
        },
        {},
    };
    return kTable;
}
