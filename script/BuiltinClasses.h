// What the classes answer for property names: host object classes, the
// built-in objects (Math, Date, String ...) and arrays. The object model asks
// through these functions; the tables behind them live in BuiltinClasses.cpp.
#pragma once

#include <cstdint>

#include "script/ObjectValue.h"

// A browser object made by the host: a plain object of a fixed class that
// keeps the host's handle and asks the host for most of its properties.
class HostObject : public ObjectValue {
public:
    HostObject(int hostClass, intptr_t handle);
    bool IsHostObject() const override { return true; }
    const char* ToText() override;
    int ClassId() const override { return hostClass; }
    intptr_t HostHandle() const override { return handle; }
    ClassAnswer LookUpClassProperty(int nameId) override;
    // Adds what no name id reaches: a window's and a document's named
    // elements, and the members of a group of same-named form elements.
    ValueRef GetProperty(const char* name) override;
    // A group of same-named elements answers its members' names first.
    bool OwnPropertiesFirst() const override { return hostClass != 33; }
    // The array kept under a name id (document forms, select options ...), or null.
    ArrayObject* ArrayFor(int nameId) const;
    void DropReferences() override;

    int hostClass;
    intptr_t handle;
    int closed = 0;   // window: what `closed` reports
    ValueRef parent;  // document: its window, counted
    struct NamedArray {
        int nameId;
        ValueRef array;
    };
    EngineVector<NamedArray> arrays;
    EngineString text;
};

// Whether JS_CreateObject makes objects of this class id.
bool IsHostClassId(int classId);
// Makes a host object with the arrays its class keeps; null when out of memory.
HostObject* MakeHostObject(int classId, intptr_t handle, EngineValue* parent);

ClassAnswer LookUpHostClassProperty(HostObject* object, int nameId);
ClassAnswer LookUpBuiltinObjectProperty(int builtinId, int nameId);
ClassAnswer LookUpArrayProperty(int nameId);
// The classes other than window, document and array (form, form elements,
// image, link, location, history, navigator, MIME type, plug-in).
ClassAnswer LookUpFormAndBrowserClass(int hostClass, int nameId);
// Assigns a property the class sends to the host; returns the value made of
// the host's text (null when refused).
ValueRef SetHostProperty(ObjectValue* object, int nameId, EngineValue* value, int token);
// `new` of a built-in object other than Image and Array (which the evaluator
// makes itself): the new object, whose class is the constructor, with the
// constructor's own initialisation (a String object's text and length ...).
// Empty when the built-in is no constructor or memory ran out.
ValueRef ConstructBuiltin(BuiltinObject* constructor, ArrayObject* arguments);
