// CARDNET.DLL: a simulated card reader on a serial port. No device is ever
// touched: the "reader" is the file CARDNET.KEY beside this DLL, with the
// port it sits on and the key of the card in it:
//
//   PORT=3
//   KEY=some card key
//
// Without that file no reader answers (no power). Opening another port than
// the reader's fails with a communication error unless detection is asked
// for, which finds the reader's port.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>

#include "outside/cardnet/CardCipher.h"

using cardnet::Decryptor;
using cardnet::Status;

namespace {

HMODULE g_module = nullptr;
uint32_t g_nextHandle = 0x100;
std::map<uint32_t, std::string> g_cards;  // card handle -> key
std::map<uint32_t, std::unique_ptr<Decryptor>> g_decryptors;

struct Reader {
    bool present = false;
    int32_t port = 0;
    std::string key;
};

Reader ReadReader() {
    Reader reader;
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(g_module, path, sizeof path);
    if (n == 0 || n >= sizeof path) return reader;
    char* slash = std::strrchr(path, '\\');
    if (slash == nullptr) return reader;
    std::strcpy(slash + 1, "CARDNET.KEY");
    std::FILE* f = std::fopen(path, "r");
    if (f == nullptr) return reader;
    char line[512];
    while (std::fgets(line, sizeof line, f)) {
        line[std::strcspn(line, "\r\n")] = 0;
        if (std::strncmp(line, "PORT=", 5) == 0) reader.port = std::atoi(line + 5);
        if (std::strncmp(line, "KEY=", 4) == 0) reader.key = line + 4;
    }
    std::fclose(f);
    reader.present = reader.port > 0 && !reader.key.empty();
    return reader;
}

int Fail(int32_t* status, Status code) {
    if (status) *status = code;
    return code == cardnet::kOk ? 0 : 1;
}

}  // namespace

extern "C" {

int Card_Open(int32_t* port, int32_t baud, int32_t autoDetect, uint32_t* card, int32_t* status) {
    if (card) *card = 0;
    if (port == nullptr || card == nullptr) return Fail(status, cardnet::kCommunication);
    Reader reader = ReadReader();
    if (!reader.present) return Fail(status, cardnet::kNoPower);
    if (autoDetect) {
        *port = reader.port;
    } else if (*port != reader.port) {
        return Fail(status, cardnet::kCommunication);
    }
    if (baud != 9600) return Fail(status, cardnet::kCommunication);
    *card = g_nextHandle++;
    g_cards[*card] = reader.key;
    return Fail(status, cardnet::kOk);
}

int Card_Close(uint32_t card, int32_t* status) {
    g_cards.erase(card);
    return Fail(status, cardnet::kOk);
}

int Card_Open_Decrypt(uint32_t* decrypt, uint32_t card, int32_t* status) {
    if (decrypt) *decrypt = 0;
    auto found = g_cards.find(card);
    if (decrypt == nullptr || found == g_cards.end()) return Fail(status, cardnet::kNoAnswer);
    *decrypt = g_nextHandle++;
    g_decryptors[*decrypt] = std::make_unique<Decryptor>(found->second);
    return Fail(status, cardnet::kOk);
}

int Card_Decrypt(uint32_t* decrypt, const uint8_t* input, int32_t* inputLength, uint8_t* output,
                        int32_t* outputSpace, char* typeBuffer, int32_t typeSize, int32_t lastBlock, uint32_t card,
                        int32_t* unused, int32_t* status) {
    if (unused) *unused = 0;
    if (decrypt == nullptr || inputLength == nullptr || outputSpace == nullptr || g_cards.count(card) == 0)
        return Fail(status, cardnet::kNoAnswer);
    auto found = g_decryptors.find(*decrypt);
    if (found == g_decryptors.end()) return Fail(status, cardnet::kFormat);
    Decryptor& d = *found->second;
    bool knewType = d.HeaderRead();
    int32_t written = 0;
    Status result = d.Feed(input, *inputLength, output, *outputSpace, written, lastBlock != 0);
    *outputSpace = written;
    if (!knewType && d.HeaderRead() && typeBuffer && typeSize > 0) {
        std::snprintf(typeBuffer, static_cast<size_t>(typeSize), "%s", d.Type().c_str());
    }
    return Fail(status, result);
}

int Card_Close_Decrypt(uint32_t* decrypt, uint32_t card, int32_t* status) {
    if (decrypt) {
        g_decryptors.erase(*decrypt);
        *decrypt = 0;
    }
    return Fail(status, cardnet::kOk);
}

int Card_Status_Decrypt() {
    return 0;
}

}  // extern "C"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) g_module = instance;
    return TRUE;
}
