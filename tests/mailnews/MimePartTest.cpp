// The MIME encoder read out as an upload or mail body: multipart framing,
// the announced size, reading in small pieces, files in their encodings.
#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <string>

#include "mailnews/MimeFormMessage.h"
#include "mailnews/MimePart.h"
#include "tests/support/TestPaths.h"

namespace {

// Reads the whole part with at most `capacity` bytes a call.
std::string ReadAll(MimePart& part, int32_t capacity) {
    std::string out;
    std::string buffer(static_cast<size_t>(capacity), '\0');
    bool done = false;
    for (int calls = 0; !done && calls < 1000000; ++calls) {
        int32_t count = 0;
        part.ReadEncoded(&buffer[0], count, capacity, done);
        out.append(buffer, 0, static_cast<size_t>(count));
    }
    EXPECT_TRUE(done);
    return out;
}

std::unique_ptr<MimePart> Field(const char* name, const std::string& value) {
    auto part = std::make_unique<MimePart>();
    part->SetNames("form-data", name);
    part->SetData(value);
    return part;
}

TEST(MimePart, MultipartFramingAndItsSize) {
    MimePart top;
    top.SetContentType("multipart/form-data");
    top.AddChild(Field("a", "one"));
    top.AddChild(Field("b", "two\r\nlines"));
    top.SetEncoding(kPartRaw);
    ASSERT_EQ(top.ChooseEncoding(nullptr, nullptr), kChooseReady);
    const std::string b = top.Body().Boundary();
    ASSERT_EQ(b.size(), 32u);
    EXPECT_EQ(b.compare(0, 10, "_DIDOVI_=-"), 0);
    const std::string expected = "Content-Type: multipart/form-data; boundary=\"" + b + "\"\r\n" + "\r\n--" +
                                 b + "\r\nContent-Disposition: form-data; name=\"a\"\r\n\r\none" + "\r\n--" +
                                 b + "\r\nContent-Disposition: form-data; name=\"b\"\r\n\r\ntwo\r\nlines" +
                                 "\r\n--" + b + "--\r\n";
    for (int32_t capacity : {4096, 40, 41, 57}) {
        top.Rewind();
        EXPECT_EQ(ReadAll(top, capacity), expected) << "capacity " << capacity;
    }
    EXPECT_EQ(top.EncodedSize(true), expected.size()) << "the announced length is what is sent";

    MimePart empty;
    empty.SetContentType("multipart/mixed");
    ASSERT_EQ(empty.ChooseEncoding(nullptr, nullptr), kChooseReady);
    const std::string read = ReadAll(empty, 100);
    EXPECT_EQ(read.size(), empty.EncodedSize(true));
    EXPECT_NE(read.find("--\r\n"), std::string::npos) << "an empty body closes";
}

TEST(MimePart, NestedFilesAndTheirEncodings) {
    testing_support::ScratchDir dir;
    const std::string text = dir.File("my notes.txt"), gif = dir.File("pic.gif"), bin = dir.File("data.bin");
    testing_support::WriteWholeFile(text, "caf\xE9 au lait \r\nline two");
    std::string bytes;
    for (int i = 0; i < 70000; ++i) bytes += static_cast<char>((i * 7) & 0xFF);
    testing_support::WriteWholeFile(gif, bytes.substr(0, 100));
    testing_support::WriteWholeFile(bin, bytes);

    MimePart qp;
    qp.SetNames("attachment", nullptr);
    qp.SetSource(text.c_str());
    qp.SetEncoding(kPartSevenBit);
    ASSERT_EQ(qp.ChooseEncoding(nullptr, nullptr), kChooseReady);
    const std::string q = ReadAll(qp, 64);
    EXPECT_NE(q.find("filename==?ISO-8859-1?Q?my=20notes.txt?="), std::string::npos) << q;
    EXPECT_NE(q.find("Content-Transfer-Encoding: Quoted-Printable"), std::string::npos) << q;
    EXPECT_NE(q.find("caf=E9 au lait=20\r\nline two"), std::string::npos) << q;

    MimePart b64;
    b64.SetNames("attachment", nullptr);
    b64.SetSource(("file:///" + gif).c_str());
    b64.SetEncoding(kPartSevenBit);
    ASSERT_EQ(b64.ChooseEncoding(nullptr, nullptr), kChooseReady);
    const std::string b = ReadAll(b64, 4096);
    EXPECT_NE(b.find("Content-Type: image/gif"), std::string::npos) << b;
    EXPECT_NE(b.find("Content-Transfer-Encoding: Base64"), std::string::npos);
    const std::string body = b.substr(b.find("\r\n\r\n") + 4);
    EXPECT_EQ(body.find("\r\n"), 60u) << "base64 lines of 60";
    EXPECT_EQ(body.size(), 136u + 4u);

    // An upload over HTTP: the file's bytes as they are, in a form message.
    MimeFormMultipartMaker maker;
    std::unique_ptr<FormMultipart> form = maker.Make("multipart/form-data", 8);
    form->AddField("a b", "x&y=1");
    form->AddFiles("up", {bin});
    form->AddFiles("two", {gif, text});
    int error = -1;
    std::unique_ptr<UploadSource> upload = form->Finish(error);
    ASSERT_NE(upload, nullptr);
    EXPECT_EQ(error, 0);
    auto& source = static_cast<MimeUploadSource&>(*upload);
    const std::string message = ReadAll(source.Part(), 1500);
    // The announced length counts what follows the blank line that the
    // message's own header line and first boundary line make.
    const size_t blank = message.find("\r\n\r\n");
    ASSERT_NE(blank, std::string::npos);
    EXPECT_EQ(static_cast<size_t>(upload->EncodedLength()), message.size() - blank - 4);
    EXPECT_NE(message.find("name=\"a b\"\r\n\r\nx&y=1\r\n"), std::string::npos);
    EXPECT_NE(message.find("filename=\"data.bin\"\r\nContent-Type: application/octet-stream\r\n\r\n" + bytes +
                           "\r\n--"),
              std::string::npos)
        << "the file arrives byte for byte";
    EXPECT_NE(message.find("name=\"two\"\r\nContent-Type: multipart/mixed; boundary="), std::string::npos);
    EXPECT_NE(message.find("Content-Disposition: attachment; filename=\"pic.gif\""), std::string::npos);
    EXPECT_EQ(upload->ProgressFirst(), 1) << "one file part at the top; the other field is a multipart";

    std::unique_ptr<FormMultipart> missing = maker.Make("multipart/form-data", 8);
    missing->AddFiles("up", {dir.File("no-such-file")});
    EXPECT_EQ(missing->Finish(error), nullptr) << "an unreadable file is not sent as empty";
    EXPECT_NE(error, 0);
}

TEST(MimePart, SourcesOfOtherKinds) {
    MimePart remote;
    remote.SetNames("attachment", nullptr);
    remote.SetSource("http://h.example/a/very/long/path/to/some/document/that/goes/on.html");
    ASSERT_EQ(remote.ChooseEncoding(nullptr, nullptr), kChooseReady);
    const std::string r = ReadAll(remote, 512);
    EXPECT_NE(r.find("Content-Type: message/external-body; access-type=URL;\r\n       URL=\"http://"),
              std::string::npos)
        << r;
    EXPECT_NE(r.find("\r\n         "), std::string::npos) << "the URL goes on in pieces of 40";
    EXPECT_NE(r.find("THIS IS NOT REALLY THE BODY!"), std::string::npos);

    MimePart other;
    other.SetSource("telnet://h.example");
    ASSERT_EQ(other.ChooseEncoding(nullptr, nullptr), kChooseReady);
    EXPECT_EQ(ReadAll(other, 64), "") << "a source of another kind sends nothing";
    EXPECT_EQ(other.EncodedSize(true), 0u);
}

}  // namespace
