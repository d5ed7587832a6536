// Lists of items behind one big-endian length field: cipher-suite lists,
// certificate chains, lists of names. Reading gathers the list's bytes first
// (its length is known from the field), then parses the elements from them.
//
// Ownership: the array owns its elements; each element has the array as its
// parent holder, so an element's error reaches the array.
#pragma once
#include <memory>

#include "security/ByteVector.h"

class DataItemArray : public DataItem {
public:
    DataItemArray();
    DataItemArray(const DataItemArray&) = delete;
    DataItemArray& operator=(const DataItemArray&) = delete;
    ~DataItemArray() override;

    uint32_t Count() const { return count_; }
    // Grows with NewElement or shrinks (deleting); false after raising.
    bool Resize(uint32_t n);
    DataItem* At(uint32_t i) const { return i < count_ ? items_[i] : nullptr; }
    // Resizes to other's count and assigns element by element.
    bool Copy(const DataItemArray& other);
    void ClearError() override;

    uint32_t EncodedSize() const override { return LengthFieldWidth() + ElementsSize(); }
    const uint8_t* Read(const uint8_t* in, uint32_t& remaining) override;
    uint8_t* Write(uint8_t* out) const override;
    bool IsComplete() const override { return state_ == 0; }
    int Check(ErrorHolder* report) const override;

    virtual void Hook(void*) {}
    // A new empty element of the list's kind; null where the list makes none.
    virtual DataItem* NewElement() const = 0;
    virtual uint8_t* WriteLengthField(uint8_t* out, uint32_t value) const {
        return WriteBigEndian(out, value, LengthFieldWidth());
    }
    virtual unsigned LengthFieldWidth() const { return 2; }
    virtual const uint8_t* ReadLengthField(const uint8_t* in, uint32_t& remaining);
    virtual uint32_t MaxEncodedLength() const { return 65535; }

    uint32_t Capacity() const { return capacity_; }

protected:
    // The list's own rule beyond the common check; raises on the report.
    virtual int ExtraCheck(ErrorHolder* report) const { return 1; }
    // Assigns one element from another of the same kind.
    virtual void AssignElement(DataItem& to, const DataItem& from) const = 0;
    uint32_t ElementsSize() const;
    int FailExtra(ErrorHolder* report) const;
    // Appends an element made elsewhere (the array takes it).
    bool Adopt(DataItem* element);

private:
    void ParseGathered();

    uint32_t count_ = 0;
    DataItem** items_ = nullptr;
    uint32_t capacity_ = 0;
    ByteVector encoded_;
    uint32_t pendingLength_ = 0;
    uint32_t counter_ = 0;
};

// A list whose elements are all of one class.
template <class T>
class ItemList : public DataItemArray {
public:
    // Past the end: a shared empty element, never null.
    T& Item(uint32_t i) const {
        static T empty;
        DataItem* item = At(i);
        return item ? static_cast<T&>(*item) : empty;
    }
    DataItem* NewElement() const override { return new (std::nothrow) T(); }
    bool Contains(const T& value) const {
        for (uint32_t i = 0; i < Count(); ++i)
            if (Item(i) == value) return true;
        return false;
    }
    bool Append(const T& value) {
        if (!Resize(Count() + 1)) return false;
        Item(Count() - 1) = value;
        return true;
    }

protected:
    void AssignElement(DataItem& to, const DataItem& from) const override {
        static_cast<T&>(to) = static_cast<const T&>(from);
    }
};

// One DER certificate per element; no element may be empty.
class CertificateList : public ItemList<MediumByteVector> {
public:
    unsigned LengthFieldWidth() const override { return 3; }
    uint32_t MaxEncodedLength() const override { return 0xFFFFFF; }

protected:
    int ExtraCheck(ErrorHolder* report) const override;
};

class CipherSuiteList : public ItemList<CipherSuiteItem> {
protected:
    // Non-empty and a whole number of two-byte codes.
    int ExtraCheck(ErrorHolder* report) const override;
};

// The three bytes of an SSL 2.0 cipher kind.
class Ssl2CipherKindItem : public DataItem {
public:
    Ssl2CipherKindItem() : Ssl2CipherKindItem(0, 0, 0) {}
    Ssl2CipherKindItem(uint8_t a, uint8_t b, uint8_t c);
    Ssl2CipherKindItem(const Ssl2CipherKindItem& other) : Ssl2CipherKindItem() { *this = other; }
    Ssl2CipherKindItem& operator=(const Ssl2CipherKindItem& other);
    bool operator==(const Ssl2CipherKindItem& o) const;
    const uint8_t* Bytes() const { return bytes_; }

private:
    uint8_t bytes_[3];
};

class Ssl2CipherKindList : public ItemList<Ssl2CipherKindItem> {
protected:
    int ExtraCheck(ErrorHolder* report) const override;
};

// Two-byte-length vectors, such as distinguished names.
class ShortVectorList : public ItemList<ShortByteVector> {};

// A list its user fills; it is never parsed from input.
class UnparsedItemList : public DataItemArray {
public:
    DataItem* NewElement() const override { return nullptr; }
    // Takes the element; false (and the element deleted) when it cannot.
    bool Append(std::unique_ptr<DataItem> element);

protected:
    void AssignElement(DataItem&, const DataItem&) const override {}
};
