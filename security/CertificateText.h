// The text the certificate dialogs show for a certificate: its display
// record (CertificateEntry), filled from the crypto library, and the text
// layout with its hex dumps. Platform-free.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

class Certificate;

struct CertificateKeyField {
    bool present = false;
    std::string name;
    bool hasValue = false;
    std::vector<uint8_t> value;
};

struct CertificateExtensionField {
    bool present = false;
    bool critical = false;
    std::string name;
    bool valueIsText = false;
    std::string text;
    std::vector<uint8_t> value;
    uint32_t dumpWidth = 12;
};

struct CertificateEntry {
    uint32_t version = 0;
    std::vector<uint8_t> serialNumber;  // most significant byte first
    std::vector<std::string> subject;
    std::vector<std::string> issuer;
    std::string notBefore;
    std::string notAfter;
    std::vector<uint8_t> fingerprint;
    std::string signatureAlgorithm;
    std::vector<uint8_t> signature;
    std::string publicKeyAlgorithm;
    std::vector<CertificateKeyField> keyFields;
    std::vector<CertificateExtensionField> extensions;
};

// Entry i of the chain into the record; false when i is out of range.
bool FillCertificateEntry(const Certificate& chain, uint32_t i, CertificateEntry& entry);
// The RSA fields of a key of the library (9 of them: the key line, then the
// eight components, each most significant byte first in ceil(bits/8)
// bytes), or one "Unsupported Key Algorithm " field for any other key.
void FillKeyFields(void* libraryKey, std::vector<CertificateKeyField>& fields);

void FormatCertificateText(const CertificateEntry& entry, std::string& text, std::string& subjectText,
                           std::string& issuerText);

// One row: prefix, an offset label unless the whole value fits one row,
// then rowWidth columns of " XX" (three spaces past the value's end).
void HexDumpRow(std::string& out, const char* prefix, const uint8_t* data, uint32_t offset, uint32_t remaining,
                uint32_t rowWidth);
// Every row followed by " " and the suffix (when given) and "\r\n".
void HexDump(std::string& out, const char* prefix, const std::vector<uint8_t>& value, uint32_t rowWidth,
             const char* suffix);
// As HexDump, with ": " and the row's bytes as characters after the hex.
void HexAsciiDump(std::string& out, const char* prefix, const std::vector<uint8_t>& value, uint32_t rowWidth,
                  const char* suffix);
// The non-empty fields joined by "\r\n".
void JoinNameFields(std::string& out, const std::vector<std::string>& names);
