#include "security/CertificateText.h"

#include <cinttypes>
#include <cstdarg>
#include <cstdio>

#include "security/Certificate.h"
#include "security/CryptoLibrary.h"

// The texts of the certificate view (string-table texts of the program).
static const char kVersionLine[] = "Certificate Version : %ld\r\n";
static const char kSerialLine[] = "Serial Number : ";
static const char kNotBefore[] = "Not Valid Before : ";
static const char kNotAfter[] = "\r\nNot Valid After : ";
static const char kFingerprint[] = "\r\nFingerprint: ";
static const char kKeyAlgorithm[] = "\r\n\r\nPublic key algorithm : ";
static const char kSignatureAlgorithm[] = "\r\nSignature Algorithm : ";
static const char kExtensions[] = "\r\nExtensions :\r\n";
static const char kCritical[] = " (Critical)";
static const char kUnsupportedKey[] = "Unsupported Key Algorithm ";
static const char kUnknownExtension[] = "Unknown Extension Object ID ";
static const char* const kPublicNames[8] = {"Modulus:", "Exponent:", "privateExponent:", "prime1:",
                                            "prime2:", "exponent1:", "exponent2:", "coefficient:"};
static const char* const kPrivateNames[8] = {"modulus:", "publicExponent:", "privateExponent:", "prime1:",
                                             "prime2:", "exponent1:", "exponent2:", "coefficient:"};

static constexpr uint32_t kExtensionDumpWidth = 12;
static constexpr int kLibraryRsa = 6, kLibraryRsa2 = 19;

// A field of the library into a vector; empty when absent.
static std::vector<uint8_t> Field(void* certificate, int field) {
    int n = crypto::Call<int>(kSlotCertificateField, certificate, field, static_cast<uint8_t*>(nullptr), 0);
    if (n <= 0) return {};
    std::vector<uint8_t> bytes(static_cast<size_t>(n) + 1);
    crypto::Call<int>(kSlotCertificateField, certificate, field, bytes.data(), n + 1);
    bytes.resize(static_cast<size_t>(n));
    return bytes;
}

static std::string FieldText(void* certificate, int field) {
    std::vector<uint8_t> bytes = Field(certificate, field);
    return std::string(bytes.begin(), bytes.end());
}

static std::vector<uint8_t> ExtensionPart(void* certificate, int index, int part) {
    int n = crypto::Call<int>(kSlotCertificateExtension, certificate, index, part, static_cast<uint8_t*>(nullptr), 0);
    if (n <= 0) return {};
    std::vector<uint8_t> bytes(static_cast<size_t>(n) + 1);
    crypto::Call<int>(kSlotCertificateExtension, certificate, index, part, bytes.data(), n + 1);
    bytes.resize(static_cast<size_t>(n));
    return bytes;
}

void FillKeyFields(void* key, std::vector<CertificateKeyField>& fields) {
    fields.clear();
    int type = crypto::Call<int>(kSlotKeyType, key);
    if (type != kLibraryRsa && type != kLibraryRsa2) {
        CertificateKeyField field;
        field.present = true;
        field.name = kUnsupportedKey;
        fields.push_back(field);
        return;
    }
    uint32_t bits = static_cast<uint32_t>(crypto::Call<int>(kSlotModulusSize, key)) * 8;
    bool isPrivate = crypto::Call<int>(kSlotKeyComponent, key, 2, static_cast<uint8_t*>(nullptr), 0) > 0;
    char line[64];
    std::snprintf(line, sizeof line, "%s (%u bit):", isPrivate ? "Private-Key" : "Public-Key", bits);
    fields.push_back({true, line, false, {}});
    uint32_t width = (bits + 7) / 8;
    for (int i = 0; i < 8; ++i) {
        CertificateKeyField field;
        field.present = true;
        field.name = (isPrivate ? kPrivateNames : kPublicNames)[i];
        int n = crypto::Call<int>(kSlotKeyComponent, key, i, static_cast<uint8_t*>(nullptr), 0);
        if (n > 0 && static_cast<uint32_t>(n) <= width) {
            // Most significant byte first, zeros in front up to the modulus
            // width, as numbers are written everywhere else.
            field.value.assign(width, 0);
            crypto::Call<int>(kSlotKeyComponent, key, i, field.value.data() + (width - n), n);
            field.hasValue = true;
        }
        fields.push_back(field);
    }
}

bool FillCertificateEntry(const Certificate& chain, uint32_t i, CertificateEntry& entry) {
    const Certificate::Entry* e = chain.EntryAt(i);
    if (!e || !e->certificate) return false;
    void* x = e->certificate;
    entry = CertificateEntry();
    entry.version = static_cast<uint32_t>(crypto::Call<int>(kSlotCertificateField, x, kCertificateVersion,
                                                            static_cast<uint8_t*>(nullptr), 0)) + 1;
    entry.serialNumber = Field(x, kCertificateSerial);
    entry.subject = chain.NameFields(i, false);
    entry.issuer = chain.NameFields(i, true);
    entry.notBefore = FieldText(x, kCertificateNotBefore);
    entry.notAfter = FieldText(x, kCertificateNotAfter);
    entry.fingerprint = Field(x, kCertificateFingerprint);
    entry.signatureAlgorithm = FieldText(x, kCertificateSignatureAlgorithm);
    if (entry.signatureAlgorithm.empty()) entry.signatureAlgorithm = "UNKNOWN";
    entry.signature = Field(x, kCertificateSignature);
    entry.publicKeyAlgorithm = FieldText(x, kCertificateKeyAlgorithm);
    void* key = crypto::Call<void*>(kSlotCertificatePublicKey, x);
    FillKeyFields(key, entry.keyFields);
    crypto::CallVoid(kSlotFreeKey, key);
    for (int k = 0;; ++k) {
        int named = crypto::Call<int>(kSlotCertificateExtension, x, k, kExtensionName, static_cast<uint8_t*>(nullptr), 0);
        if (named < 0) break;
        CertificateExtensionField field;
        field.present = true;
        std::vector<uint8_t> name = ExtensionPart(x, k, kExtensionName);
        field.name = name.empty() ? kUnknownExtension : std::string(name.begin(), name.end());
        field.critical = crypto::Call<int>(kSlotCertificateExtension, x, k, kExtensionCritical,
                                           static_cast<uint8_t*>(nullptr), 0) == 1;
        std::vector<uint8_t> text = ExtensionPart(x, k, kExtensionText);
        field.valueIsText = !text.empty();
        field.text.assign(text.begin(), text.end());
        field.value = ExtensionPart(x, k, kExtensionValue);
        field.dumpWidth = kExtensionDumpWidth;
        entry.extensions.push_back(field);
    }
    return true;
}

static void Append(std::string& out, const char* format, ...) __attribute__((format(printf, 2, 3)));
static void Append(std::string& out, const char* format, ...) {
    char buffer[200];
    va_list arguments;
    va_start(arguments, format);
    int n = std::vsnprintf(buffer, sizeof buffer, format, arguments);
    va_end(arguments);
    if (n > 0) out.append(buffer, static_cast<size_t>(n) < sizeof buffer ? static_cast<size_t>(n) : sizeof buffer - 1);
}

void HexDumpRow(std::string& out, const char* prefix, const uint8_t* data, uint32_t offset, uint32_t remaining,
                uint32_t rowWidth) {
    out += prefix ? prefix : "";
    if (offset != 0 || remaining > rowWidth) {
        int digits = uint64_t{offset} + remaining > 255 ? 8 : 2;
        Append(out, "%.*lX:", digits, static_cast<unsigned long>(offset));
    }
    for (uint32_t column = 0; column < rowWidth; ++column) {
        if (column < remaining)
            Append(out, " %.2X", data[offset + column]);
        else
            out += "   ";
    }
}

static void Dump(std::string& out, const char* prefix, const std::vector<uint8_t>& value, uint32_t rowWidth,
                 const char* suffix, bool withCharacters) {
    if (rowWidth == 0) return;
    uint32_t length = static_cast<uint32_t>(value.size());
    for (uint32_t offset = 0; offset < length; offset += rowWidth) {
        HexDumpRow(out, prefix, value.data(), offset, length - offset, rowWidth);
        if (withCharacters) {
            out += ": ";
            for (uint32_t column = 0; column < rowWidth; ++column) {
                uint32_t at = offset + column;
                char c = at >= length ? ' ' : value[at] >= 32 && value[at] < 127 ? static_cast<char>(value[at]) : '.';
                out += c;
            }
        }
        if (suffix && *suffix) {
            out += ' ';
            out += suffix;
        }
        out += "\r\n";
    }
}

void HexDump(std::string& out, const char* prefix, const std::vector<uint8_t>& value, uint32_t rowWidth,
             const char* suffix) {
    Dump(out, prefix, value, rowWidth, suffix, false);
}

void HexAsciiDump(std::string& out, const char* prefix, const std::vector<uint8_t>& value, uint32_t rowWidth,
                  const char* suffix) {
    Dump(out, prefix, value, rowWidth, suffix, true);
}

void JoinNameFields(std::string& out, const std::vector<std::string>& names) {
    out.clear();
    for (const std::string& name : names) {
        if (name.empty()) continue;
        if (!out.empty()) out += "\r\n";
        out += name;
    }
}

void FormatCertificateText(const CertificateEntry& entry, std::string& text, std::string& subjectText,
                           std::string& issuerText) {
    text.clear();
    Append(text, kVersionLine, static_cast<long>(entry.version));
    JoinNameFields(subjectText, entry.subject);
    JoinNameFields(issuerText, entry.issuer);
    // The number as the hex of its bytes: a serial is a label of any length,
    // not a signed 32-bit value.
    text += kSerialLine;
    for (size_t i = 0; i < entry.serialNumber.size(); ++i) Append(text, i ? " %.2X" : "%.2X", entry.serialNumber[i]);
    text += "\r\n";
    text += kNotBefore;
    text += entry.notBefore;
    text += kNotAfter;
    text += entry.notAfter;
    if (!entry.fingerprint.empty()) {
        text += kFingerprint;
        for (size_t i = 0; i < entry.fingerprint.size(); ++i) Append(text, i < 15 ? "%.2X " : "%.2X", entry.fingerprint[i]);
    }
    text += kKeyAlgorithm;
    text += entry.publicKeyAlgorithm;
    for (const CertificateKeyField& field : entry.keyFields) {
        if (!field.present) continue;
        text += "\r\n  ";
        text += field.name;
        if (field.hasValue) {
            text += "\r\n";
            HexDump(text, "    ", field.value, 16, nullptr);
        }
    }
    text += kSignatureAlgorithm;
    text += entry.signatureAlgorithm;
    text += "\r\n\r\n";
    HexDump(text, "    ", entry.signature, 16, nullptr);
    if (!entry.extensions.empty()) {
        text += kExtensions;
        for (const CertificateExtensionField& field : entry.extensions) {
            if (!field.present) continue;
            text += "\r\n  ";
            text += field.name;
            if (field.critical) text += kCritical;
            if (field.valueIsText) {
                text += ": ";
                text += field.text;
            } else {
                text += ":\r\n";
                HexAsciiDump(text, "    ", field.value, field.dumpWidth < 12 ? field.dumpWidth : 12, nullptr);
            }
        }
    }
}
