// The places of a page's source that name its pictures, and the source
// written again with other addresses there: what saving a page with its
// images rests on.
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "html/PageImageRefs.h"

namespace {

std::vector<std::string> Texts(const std::string& source) {
    std::vector<std::string> texts;
    for (const ImageReference& r : FindImageReferences(source.data(), source.size())) {
        // The place covers what is written there.
        EXPECT_LE(r.offset + r.length, source.size());
        texts.push_back(r.text);
    }
    return texts;
}

TEST(FindImageReferences, FindsThePicturesThePageShowsAndNothingElse) {
    struct Case {
        const char* source;
        std::vector<std::string> texts;
    };
    const Case cases[] = {
        {"<img src=a.gif><IMG SRC='b/c.jpg'><img src=\" d.gif \">", {"a.gif", "b/c.jpg", "d.gif"}},
        // Entities are read as the page reads them.
        {"<img src=\"x.cgi?a=1&amp;b=2\">", {"x.cgi?a=1&b=2"}},
        // The first SRC with a value is the picture, as on the page.
        {"<img src=\"\" src=first.gif src=second.gif>", {"first.gif"}},
        {"<body background=bg.gif><table><tr background=row.gif><td background=\"cell.gif\">"
         "<th background=head.gif></table>",
         {"bg.gif", "row.gif", "cell.gif", "head.gif"}},
        {"<input type=image src=button.gif><input type=text src=not.gif><input src=nor.gif>", {"button.gif"}},
        {"<div style=\"color: red; background: url(  'st.gif' ) no-repeat\">x</div>", {"st.gif"}},
        {"<style>/* url(comment.gif) */ p { background-image: URL(\"sheet.gif\") } td{background:url(t.gif)}"
         "</style><p>url(text.gif)",
         {"sheet.gif", "t.gif"}},
        // Addresses in links, scripts, comments, text areas and plain text are no pictures.
        {"<a href=a.gif>a.gif</a><!-- <img src=comment.gif> --><script>document.write('<img src=s.gif>')"
         "</script><textarea><img src=t.gif></textarea><img src=after.gif><plaintext><img src=p.gif>",
         {"after.gif"}},
        {"<table background=table.gif><frame src=f.html><embed src=e.gif>", {}},
        // Unfinished tags and values name nothing.
        {"<img src=ok.gif><img src=\"cut.gif", {"ok.gif"}},
        {"<div style=\"background:url(cut.gif\">", {}},
        {"", {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Texts(c.source), c.texts) << c.source;
    }
}

TEST(ReplaceImageReferences, PutsEachAddressInItsPlaceAndKeepsTheRest) {
    const std::string source =
        "<body background=\"bg.gif\">\n<img src=a.gif alt=\"a.gif\"><img src='sub/b.jpg'>"
        "<div style=\"background:url(a.gif)\"></div><style>p{background:url( \"c.gif\" )}</style>";
    std::vector<ImageReference> refs = FindImageReferences(source.data(), source.size());
    ASSERT_EQ(refs.size(), 5u);
    std::vector<std::string> to = {"page_files/bg.gif", "page_files/a.gif", "", "page_files/a.gif",
                                   "http://h/x y.gif?a=1&b=(2)"};
    EXPECT_EQ(ReplaceImageReferences(source.data(), source.size(), refs, to),
              "<body background=\"page_files/bg.gif\">\n<img src=page_files/a.gif alt=\"a.gif\">"
              "<img src='sub/b.jpg'><div style=\"background:url(page_files/a.gif)\"></div>"
              "<style>p{background:url( \"http://h/x%20y.gif?a=1&b=%282%29\" )}</style>");

    // In an attribute the written address reads back as the one given:
    // "&" as an entity, quotes and blanks escaped, nothing else touched.
    const std::string tag = "<img src=x.gif>";
    std::vector<ImageReference> one = FindImageReferences(tag.data(), tag.size());
    ASSERT_EQ(one.size(), 1u);
    const std::string written =
        ReplaceImageReferences(tag.data(), tag.size(), one, {"http://h/a.cgi?p=1&copy=2&q=\"'<>"});
    EXPECT_EQ(written, "<img src=http://h/a.cgi?p=1&amp;copy=2&amp;q=%22%27%3C%3E>");
    EXPECT_EQ(Texts(written), std::vector<std::string>{"http://h/a.cgi?p=1&copy=2&q=%22%27%3C%3E"});
}

}  // namespace
