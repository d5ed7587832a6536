// The viewer table: the built-in rows, [FILE TYPES] lines in both layouts,
// and the look-ups by type, extension and index.
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "settings/ViewerTable.h"

namespace {

// "key=value\0...\0\0" as the ini reader hands a section over.
std::string Section(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& l : lines) out += l + '\0';
    out += '\0';
    return out;
}

ViewerTable Loaded(const std::vector<std::string>& lines, int version) {
    ViewerTable table;
    std::string text = Section(lines);
    table.ApplyFileTypesSection(text.data(), text.size(), version, false);
    table.AddBuiltInRows();
    return ViewerTable(table);
}

TEST(ViewerTable, BuiltInRows) {
    ViewerTable table;
    table.AddBuiltInRows();
    EXPECT_EQ(table.Count(), 50u) << "row 26 repeats text/plain";
    const struct {
        const char* type;
        int action;
        int internalType;
        const char* extensions;
    } cases[] = {
        {"...", kViewerAsk, kTypeOther, nullptr},
        {"TEXT/HTML", kViewerShow, kTypeHtml, "htm,html"},
        {"text/plain", kViewerShow, kTypePlainText, "txt"},
        {"application/octet-stream", kViewerAsk, kTypeOther, nullptr},
        {"applicaton/x-gtar", kViewerAsk, kTypeOther, nullptr},
        {"application/x-x509-ca-cert", kViewerShow, kTypeCaCert, "crt,ca"},
        {"application/x-javascript", kViewerShow, kTypeScript, "js"},
    };
    for (const auto& c : cases) {
        ViewerEntry* e = table.FindByMimeType(c.type);
        ASSERT_NE(e, nullptr) << c.type;
        EXPECT_EQ(e->action, c.action) << c.type;
        EXPECT_EQ(e->internalType, c.internalType) << c.type;
        EXPECT_EQ(e->extensions.value_or("(none)"), c.extensions ? c.extensions : "(none)") << c.type;
    }
    EXPECT_EQ(table.FindByMimeType("...")->index, 0);
    EXPECT_TRUE(ViewerTable::IsBuiltInType("Image/GIF"));
    EXPECT_FALSE(ViewerTable::IsBuiltInType("x-sample/thing"));
}

TEST(ViewerTable, LinesOfTheCurrentLayout) {
    ViewerTable table = Loaded({"text/html=3,C:\\Tools\\show.exe,,,htm,html",
                                "image/gif = 1 , , , , gif",
                                "x-sample/thing=6,,C:\\plugins\\npsample.dll,Sample Plugin,smp, .smx",
                                "only/three=1,a,b", "no equals sign", "bad/action=x,,,,"},
                               1);
    ViewerEntry* html = table.FindByMimeType("text/html");
    ASSERT_NE(html, nullptr);
    EXPECT_EQ(html->action, kViewerProgram);
    EXPECT_EQ(*html->program, "C:\\Tools\\show.exe");
    EXPECT_EQ(*html->extensions, "htm,html") << "the first line reads like the others";
    EXPECT_FALSE(html->pluginPath);
    EXPECT_EQ(html->internalType, kTypeHtml) << "from the built-in row";
    EXPECT_EQ(table.FindByMimeType("image/gif")->action, kViewerSave);
    ViewerEntry* sample = table.FindByMimeType("x-sample/thing");
    ASSERT_NE(sample, nullptr);
    EXPECT_EQ(*sample->pluginPath, "C:\\plugins\\npsample.dll");
    EXPECT_EQ(*sample->pluginName, "Sample Plugin");
    EXPECT_EQ(sample->internalType, kTypeOther);
    EXPECT_EQ(table.FindByMimeType("only/three"), nullptr);
    EXPECT_EQ(table.FindByMimeType("bad/action"), nullptr);

    // Extensions: any case, with or without dots and blanks.
    EXPECT_EQ(table.FindByExtension("HTML"), html->index);
    EXPECT_EQ(table.FindByExtension("smx"), sample->index);
    EXPECT_EQ(table.FindByExtension("nothing"), kViewerNoSuchExtension);
    EXPECT_EQ(table.FindByExtension("mid"), table.TypeCodeForMimeType("audio/midi"));
    EXPECT_EQ(table.TypeCodeForMimeType("no/such"), kViewerNoSuchType);
    EXPECT_EQ(table.ActionForMimeType("no/such"), kViewerNone);
    EXPECT_STREQ(table.MimeTypeForCode(sample->index), "x-sample/thing");
    EXPECT_STREQ(table.ExtensionsForCode(sample->index), "smp, .smx");

    // Written back, each line reads as it was.
    EXPECT_EQ(FormatFileTypeValue(*html), "3,C:\\Tools\\show.exe,,,htm,html");
    FileTypeLine line;
    ASSERT_TRUE(ParseFileTypeLine("x-sample/thing=" + FormatFileTypeValue(*sample), 6, line));
    EXPECT_EQ(line.extensions, "smp, .smx");
    EXPECT_EQ(line.pluginName, "Sample Plugin");
}

TEST(ViewerTable, OlderLayoutAndReplacement) {
    // Without VERSION the four-field lines are read in their own layout.
    ViewerTable old = Loaded({"image/gif=3,C:\\view.exe,gif", "image/jpeg=1,,jpg"}, 0);
    EXPECT_EQ(old.FindByMimeType("image/gif")->action, kViewerProgram);
    EXPECT_EQ(*old.FindByMimeType("image/gif")->extensions, "gif");
    EXPECT_EQ(old.FindByMimeType("image/jpeg")->action, kViewerSave);

    // Of two lines for one type the later wins, and replaces the earlier.
    ViewerTable table = Loaded({"a/b=1,,,,x", "A/B=2,,,,y"}, 1);
    EXPECT_EQ(table.FindByMimeType("a/b")->action, kViewerShow);
    EXPECT_EQ(table.FindByExtension("x"), kViewerNoSuchExtension);

    // AddEntry refuses a duplicate; indexes are never reused.
    int first = table.AddEntry(0, "new/type", nullptr, nullptr, nullptr, nullptr, false);
    EXPECT_EQ(table.AddEntry(0, "NEW/TYPE", nullptr, nullptr, nullptr, nullptr, false), kViewerDuplicateType);
    table.RemoveEntry(first);
    int second = table.AddEntry(0, "new/type", nullptr, nullptr, nullptr, nullptr, false);
    EXPECT_GT(second, first);
    EXPECT_STREQ(table.MimeTypeAt(0), "A/B");
    EXPECT_EQ(table.MimeTypeAt(table.Count()), nullptr);
}

TEST(ViewerTable, PluginsAddTypesAndCandidates) {
    ViewerTable table;
    table.AddBuiltInRows();
    unsigned before = table.Count();
    table.RegisterPlugin("C:\\p\\npone.dll", "One", "x-one/a|*|text/html", "one,uno||htm", "One files||");
    EXPECT_EQ(table.Count(), before + 1) << "one new type; \"*\" skipped";
    ViewerEntry* one = table.FindByMimeType("x-one/a");
    ASSERT_NE(one, nullptr);
    EXPECT_EQ(one->action, kViewerPlugin);
    EXPECT_EQ(*one->extensions, "one,uno");
    EXPECT_EQ(*one->pluginName, "One");
    ASSERT_NE(one->FirstCandidate(), nullptr);
    EXPECT_EQ(one->FirstCandidate()->openText, "One files");
    ViewerEntry* html = table.FindByMimeType("text/html");
    ASSERT_NE(html->FirstCandidate(), nullptr) << "a known type gets a candidate";

    // Resolving chooses the plug-in without changing a known type's action,
    // unless the user says so.
    table.ResolvePlugins(nullptr);
    EXPECT_EQ(html->action, kViewerShow);
    EXPECT_EQ(*html->pluginPath, "C:\\p\\npone.dll");
    std::vector<std::string> asked;
    table.ResolvePlugins([&asked](const ViewerEntry& e) {
        asked.push_back(e.mimeType);
        return true;
    });
    EXPECT_EQ(asked, std::vector<std::string>{"text/html"});
    EXPECT_EQ(html->action, kViewerPlugin);

    // A plug-in that is gone: its types fall back to asking.
    table.ForgetPlugins();
    table.ResolvePlugins(nullptr);
    EXPECT_EQ(one->action, kViewerAsk);
    EXPECT_EQ(table.Plugins().Count(), 0u);
}

}  // namespace
