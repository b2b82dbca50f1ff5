#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <span>
#include <string>

#include "album/generation/index_page_writer.h"
#include "album/generation/slide_show_page_writer.h"
#include "album/settings/album_settings.h"
#include "core/picture_list_model.h"
#include "platform/text_encoding.h"
#include "tests/reliability/failing_storage.h"
#include "tests/support/temp_dir.h"

namespace {

// The expected page as a browser receives it: the hand-written UTF-8 text of expected/, in CP932
// with every line ending in CR LF.
std::string ExpectedPage(const std::string& name) {
    std::string text = ReadTestFile(SourcePath("tests/album/generation/expected/" + name));
    EXPECT_FALSE(text.empty()) << name;
    std::string crlf;
    for (char c : text) {
        if (c == '\n') crlf += '\r';
        crlf += c;
    }
    return Utf8ToCp932(crlf).value_or("<not CP932>");
}

// The thumbnails that "exist" for a rendering.
ThumbnailProbe Thumbnails(std::set<std::string> names) {
    return [names](const std::string& n) { return names.count(n) > 0; };
}

int Add(PictureListModel& list, const std::string& name, const std::string& comment = "") {
    int i = list.InsertPicture(name, true);
    if (!comment.empty()) list.SetComment(i, comment);
    return i;
}

TEST(IndexPage, DefaultsMatchTheTemplateByteForByte) {
    AlbumSettings s;
    PictureListModel list;
    Add(list, "a.jpg", "a<b\r\n");
    Add(list, "c.gif");
    Add(list, "Two Dogs & Window.jpg");
    RenderedIndexPage page = RenderIndexPage(s, list, 1, 1, list.FirstChecked(),
                                             Thumbnails({"a.jpg", "Two Dogs & Window.jpg"}));
    EXPECT_EQ(page.bytes, ExpectedPage("defaults.html"));
    EXPECT_EQ(page.next_item, -1);
}

TEST(IndexPage, PagingThreeColumnsOneRowFourPicturesGivesTwoPages) {
    AlbumSettings s;
    s.html_page = 1;
    s.thumbnail_cols = 3;
    s.thumbnail_rows = 1;
    PictureListModel list;
    for (const char* n : {"p1.jpg", "p2.jpg", "p3.jpg", "p4.jpg"}) Add(list, n);
    auto thumbs = Thumbnails({"p1.jpg", "p2.jpg", "p3.jpg", "p4.jpg"});
    RenderedIndexPage first = RenderIndexPage(s, list, 1, 2, list.FirstChecked(), thumbs);
    EXPECT_EQ(first.bytes, ExpectedPage("paged_page1.html"));
    ASSERT_EQ(first.next_item, 3);
    RenderedIndexPage second = RenderIndexPage(s, list, 2, 2, first.next_item, thumbs);
    EXPECT_EQ(second.bytes, ExpectedPage("paged_page2.html"));
    EXPECT_EQ(second.next_item, -1);
}

AlbumSettings RichSettings() {
    AlbumSettings s;
    s.brws_mode = 1;
    s.slide_mode = 1;
    s.html_marquee = 1;
    s.name_bg = "bg.jpg";
    s.name_hr = "line.gif";
    s.name_bgm = "bgm.mid";
    s.back_url = "http://example.com/home.html";
    s.thumbnail_frame = 0;
    s.thumbnail_fname = 0;
    s.color_title = 0x0000FF;
    s.color_commen = 0x804020;
    s.color_thumb = 0x00FF00;
    s.color_bg = 0xFFFFFF;
    s.size_title = 5;
    s.size_comment = 3;
    s.size_thumb = 1;
    s.html_title = "夏休み";
    s.html_comment = "海と山";
    return s;
}

TEST(IndexPage, BrowserFitSlideShowMarqueeMaterialsAndBackLink) {
    AlbumSettings s = RichSettings();
    PictureListModel list;
    Add(list, "a.jpg", "x y");
    Add(list, "b.bmp");
    RenderedIndexPage page =
        RenderIndexPage(s, list, 1, 1, list.FirstChecked(), Thumbnails({"a.jpg", "b.bmp"}));
    EXPECT_EQ(page.bytes, ExpectedPage("browser_fit_slide_marquee.html"));
    EXPECT_EQ(RenderSlideShowPage(s, list, list.FirstChecked()),
              ExpectedPage("browser_fit_slide_marquee_s.html"));
}

// Hostile names, a back link that tries to add an attribute and material names that are paths:
// every name and setting reaches its context escaped for it, and both pages run no script of
// theirs.
TEST(IndexPage, HostileNamesAndSettingsMatchByteForByte) {
    AlbumSettings s;
    s.brws_mode = 1;
    s.slide_mode = 1;
    s.thumbnail_frame = 0;
    s.back_url = "x\" onclick=\"alert(1)";
    s.name_bg = "../x.jpg";
    s.name_hr = "a&b.gif";
    s.name_bgm = "../../m.mid";
    PictureListModel list;
    for (const char* name :
         {"<img src=x onerror=alert(1)>.jpg", "x&apos;);alert(1);void(&apos;.jpg",
          "Two Dogs & Window.jpg", "tab\tname.jpg"}) {
        Add(list, name);
    }
    RenderedIndexPage page = RenderIndexPage(
        s, list, 1, 1, list.FirstChecked(),
        Thumbnails({"<img src=x onerror=alert(1)>.jpg", "Two Dogs & Window.jpg", "tab\tname.jpg"}));
    EXPECT_EQ(page.bytes, ExpectedPage("hostile_names.html"));
    EXPECT_EQ(RenderSlideShowPage(s, list, list.FirstChecked()),
              ExpectedPage("hostile_names_s.html"));
}

TEST(IndexPage, AlbumInsideThePictureFolderLinksThePicturesThemselves) {
    TempDir dir;
    AlbumSettings s;
    s.out_sorce = 1;
    s.pic_folder = "";
    s.picture_path = dir / "src/";
    s.out_dir = "(元画像のディレクトリ)";
    std::filesystem::create_directories(dir / "src/my_t");
    WriteTestFile(dir / "src/my_t/_a.jpg", "x");
    PictureListModel list;
    Add(list, "a.jpg");
    Add(list, "c.gif");
    PageWriteStatus status;
    EXPECT_EQ(WriteIndexPage(s, list, 1, 1, list.FirstChecked(), status), -1);
    EXPECT_EQ(status.result, PageWriteResult::Written);
    EXPECT_EQ(ReadTestFile(dir / "src/my.html"), ExpectedPage("out_sorce.html"));
}

// A cell links its copy, shows its thumbnail and names its caption each as the build gave them,
// so that a copy may bear another name than its picture.
TEST(IndexPage, ACellTakesItsLinkThumbnailAndCaptionAsGiven) {
    AlbumSettings s;
    const PagePicture heic{"my_p/IMG_1.HEIC.jpg", "my_t/_IMG_1.HEIC.jpg", "IMG_1.HEIC", ""};
    const std::string page = Cp932ToUtf8(RenderIndexPage(s, std::span(&heic, 1), 1, 1));
    EXPECT_NE(page.find("<A HREF=\"my_p/IMG_1.HEIC.jpg\" TARGET=\"_BLANK\"><IMG "
                        "SRC=\"my_t/_IMG_1.HEIC.jpg\" ALT=\"IMG_1.HEIC\" BORDER=\"0\" ></A>\r\n"
                        "             <BR>IMG_1.HEIC\r\n"),
              std::string::npos)
        << page;
    EXPECT_NE(Cp932ToUtf8(RenderSlideShowPage(s, std::span(&heic, 1)))
                  .find("fname = new Array(\"my_p/IMG_1.HEIC.jpg\");"),
              std::string::npos);
}

TEST(IndexPage, BytesAreCp932WithCrLfAndTheLastLineHasNoBreak) {
    AlbumSettings s;
    s.html_title = "桜🌸";
    PictureListModel list;
    Add(list, "a.jpg");
    std::string bytes = RenderIndexPage(s, list, 1, 1, 0, Thumbnails({})).bytes;
    EXPECT_NE(bytes.find("<TITLE>\x8D\xF7&#x1F338;</TITLE>\r\n"), std::string::npos);
    EXPECT_EQ(bytes.substr(bytes.size() - 8), "</HTML> ");
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n') {
            ASSERT_TRUE(i > 0 && bytes[i - 1] == '\r') << "bare LF at " << i;
        }
    }
}

TEST(IndexPage, NoFirstItemGivesAnEmptyTable) {
    AlbumSettings s;
    s.thumbnail_frame = 0;
    PictureListModel list;
    RenderedIndexPage page = RenderIndexPage(s, list, 1, 1, -1, Thumbnails({}));
    EXPECT_NE(page.bytes.find("    <TABLE BORDER=\"0\">\r\n    </TABLE>\r\n"), std::string::npos);
    EXPECT_EQ(page.next_item, -1);
}

TEST(IndexPage, WithoutPagingEveryPictureIsOnOnePage) {
    AlbumSettings s;
    s.thumbnail_cols = 2;
    PictureListModel list;
    for (int i = 0; i < 7; ++i) Add(list, "p" + std::to_string(i) + ".jpg");
    std::string bytes = RenderIndexPage(s, list, 1, 1, 0, Thumbnails({})).bytes;
    std::size_t rows = 0;
    for (std::size_t at = 0; (at = bytes.find("<TR ", at)) != std::string::npos; ++at) ++rows;
    EXPECT_EQ(rows, 4u);
    EXPECT_EQ(bytes.find("[ Page"), std::string::npos);
}

TEST(IndexPage, SlideShowButtonOfALaterPageNamesItsOwnSlideShowPage) {
    AlbumSettings s;
    s.slide_mode = 1;
    PictureListModel list;
    Add(list, "a.jpg");
    std::string bytes = Cp932ToUtf8(RenderIndexPage(s, list, 3, 4, 0, Thumbnails({})).bytes);
    EXPECT_NE(bytes.find("onClick=\"nwdhtm('my3s.html')\""), std::string::npos);
    EXPECT_NE(bytes.find("<A HREF=\"my2.html\">前のページへ</A>"
                         "[ Page 3 / 4 ]<A HREF=\"my4.html\">次のページへ</A>"),
              std::string::npos);
    EXPECT_EQ(SlideShowPageFileName(s, 3, 4), AlbumOutputFolder(s) + "my3s.html");
    EXPECT_EQ(SlideShowPageFileName(s, 1, 4), AlbumOutputFolder(s) + "mys.html");
    EXPECT_EQ(IndexPageFileName(s, 1, 4), AlbumOutputFolder(s) + "my.html");
    EXPECT_EQ(IndexPageFileName(s, 2, 4), AlbumOutputFolder(s) + "my2.html");
}

// Names with characters that a link, a page or a script would misread still reach their files and
// run no script of their own; names without them are written as they are.
struct AwkwardName {
    const char* name;
    const char* link;      // in HREF and SRC
    const char* alt;       // ALT text
    const char* caption;   // the file name under the thumbnail
    const char* script;    // inside nwd('...'): safe unquoted in the preview, in a JavaScript: URL
    const char* in_array;  // inside the slide show's "..." strings
};

// Failures name the case by its file name.
void PrintTo(const AwkwardName& c, std::ostream* os) {
    *os << c.name;
}

class AwkwardNames : public ::testing::TestWithParam<AwkwardName> {};

TEST_P(AwkwardNames, LinksScriptsAndTextsStayWorking) {
    const AwkwardName& c = GetParam();
    AlbumSettings s;
    PictureListModel list;
    Add(list, c.name);
    std::string plain = Cp932ToUtf8(RenderIndexPage(s, list, 1, 1, 0, Thumbnails({c.name})).bytes);
    EXPECT_NE(plain.find(std::string("<A HREF=\"my_p/") + c.link +
                         "\" TARGET=\"_BLANK\">"
                         "<IMG SRC=\"my_t/_" +
                         c.link + "\" ALT=\"" + c.alt + "\" BORDER=\"0\" >"),
              std::string::npos)
        << plain;
    EXPECT_NE(plain.find(std::string("<BR>") + c.caption + "\r\n"), std::string::npos) << plain;
    s.brws_mode = 1;
    plain = Cp932ToUtf8(RenderIndexPage(s, list, 1, 1, 0, Thumbnails({})).bytes);
    EXPECT_NE(plain.find(std::string("<A HREF=\"JavaScript:nwd('my_p/") + c.script + "')\">"),
              std::string::npos)
        << plain;
    plain = Cp932ToUtf8(RenderSlideShowPage(s, list, 0));
    EXPECT_NE(plain.find(std::string("fname = new Array(\"my_p/") + c.in_array + "\");"),
              std::string::npos)
        << plain;
    EXPECT_NE(plain.find(std::string("<IMG SRC=\"my_p/") + c.link + "\" NAME="), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Names, AwkwardNames,
    ::testing::Values(
        AwkwardName{"plain.jpg", "plain.jpg", "plain.jpg", "plain.jpg", "plain.jpg", "plain.jpg"},
        AwkwardName{"桜.jpg", "桜.jpg", "桜.jpg", "桜.jpg", "桜.jpg", "桜.jpg"},
        AwkwardName{"photo#1.jpg", "photo%231.jpg", "photo#1.jpg", "photo#1.jpg", "photo%25231.jpg",
                    "photo%231.jpg"},
        AwkwardName{"100%.jpg", "100%25.jpg", "100%.jpg", "100%.jpg", "100%2525.jpg", "100%25.jpg"},
        AwkwardName{"why?.jpg", "why%3F.jpg", "why?.jpg", "why?.jpg", "why%253F.jpg", "why%3F.jpg"},
        AwkwardName{"back\\slash.jpg", "back%5Cslash.jpg", "back\\slash.jpg", "back\\slash.jpg",
                    "back%255Cslash.jpg", "back%5Cslash.jpg"},
        // A quote would end an attribute or a string; in the preview's unquoted SRC a quote, a
        // space or an "&" would end or change the value, so they are percent-encoded there.
        AwkwardName{"say \"hi\".jpg", "say %22hi%22.jpg", "say &quot;hi&quot;.jpg",
                    "say \"hi\".jpg", "say%2520%2522hi%2522.jpg", "say %22hi%22.jpg"},
        AwkwardName{"it's.jpg", "it's.jpg", "it's.jpg", "it's.jpg", "it%2527s.jpg", "it\\'s.jpg"},
        AwkwardName{"a & b.jpg", "a &amp; b.jpg", "a &amp; b.jpg", "a &amp; b.jpg",
                    "a%2520%2526%2520b.jpg", "a & b.jpg"},
        // Markup in a name is text under the thumbnail, never a tag; "<" in a script string
        // is written so that it cannot end the script element.
        AwkwardName{"<img src=x onerror=alert(1)>.jpg", "<img src=x onerror=alert(1)>.jpg",
                    "<img src=x onerror=alert(1)>.jpg", "&lt;img src=x onerror=alert(1)&gt;.jpg",
                    "%253Cimg%2520src%253Dx%2520onerror%253Dalert(1)%253E.jpg",
                    "\\x3Cimg src=x onerror=alert(1)>.jpg"},
        // An "&" in an attribute is "&amp;": the browser must not decode "&apos;" into a quote
        // that ends nwd's string, nor "&copy" into a sign.
        AwkwardName{
            "x&apos;);alert(1);void(&apos;.jpg", "x&amp;apos;);alert(1);void(&amp;apos;.jpg",
            "x&amp;apos;);alert(1);void(&amp;apos;.jpg",
            "x&amp;apos;);alert(1);void(&amp;apos;.jpg",
            "x%2526apos;);alert(1);void(%2526apos;.jpg", "x&apos;);alert(1);void(&apos;.jpg"},
        AwkwardName{"&copy &lt;b&gt;.jpg", "&amp;copy &amp;lt;b&amp;gt;.jpg",
                    "&amp;copy &amp;lt;b&amp;gt;.jpg", "&amp;copy &amp;lt;b&amp;gt;.jpg",
                    "%2526copy%2520%2526lt;b%2526gt;.jpg", "&copy &lt;b&gt;.jpg"},
        // The preview writes its SRC unquoted: a space or "=" must not start a new attribute.
        AwkwardName{"x onerror=alert(1) y.jpg", "x onerror=alert(1) y.jpg",
                    "x onerror=alert(1) y.jpg", "x onerror=alert(1) y.jpg",
                    "x%2520onerror%253Dalert(1)%2520y.jpg", "x onerror=alert(1) y.jpg"},
        // Browsers drop TAB, CR and LF from URLs, and a line break would end a script string.
        AwkwardName{"tab\there\r\nline.jpg", "tab%09here%0D%0Aline.jpg", "tab\there\r\r\nline.jpg",
                    "tab\there\r\r\nline.jpg", "tab%2509here%250D%250Aline.jpg",
                    "tab%09here%0D%0Aline.jpg"}));

TEST(IndexPage, TheBackLinkIsASafeAttributeValue) {
    AlbumSettings s;
    s.back_url = "http://example.com/?a=1&b=\" onmouseover=\"alert(1)";
    PictureListModel list;
    std::string page = Cp932ToUtf8(RenderIndexPage(s, list, 1, 1, -1, Thumbnails({})).bytes);
    EXPECT_NE(page.find("    <P><A HREF=\"http://example.com/?a=1&amp;b=&quot; "
                        "onmouseover=&quot;alert(1)\">[ BACK ]</A></P>\r\n\r\n"),
              std::string::npos)
        << page;
}

TEST(IndexPage, CharactersOutsideTheCodePageArePercentEncodedInLinks) {
    AlbumSettings s;
    PictureListModel list;
    Add(list, "🌸.jpg");
    std::string bytes = RenderIndexPage(s, list, 1, 1, 0, Thumbnails({})).bytes;
    EXPECT_NE(bytes.find("<A HREF=\"my_p/%F0%9F%8C%B8.jpg\""), std::string::npos);
    EXPECT_NE(bytes.find("ALT=\"&#x1F338;.jpg\""), std::string::npos);
}

TEST(PageFiles, WriteResultsAndMessages) {
    TempDir dir;
    AlbumSettings s;
    s.out_dir = dir.Path();
    PictureListModel list;
    Add(list, "a.jpg");
    Add(list, "b.jpg");
    PageWriteStatus status;
    // An existing page is replaced.
    WriteTestFile(dir / "my.html", std::string(100000, 'x'));
    EXPECT_EQ(WriteIndexPage(s, list, 1, 1, 0, status), -1);
    EXPECT_EQ(status.result, PageWriteResult::Written);
    EXPECT_EQ(ReadTestFile(dir / "my.html"),
              RenderIndexPage(s, list, 1, 1, 0, Thumbnails({})).bytes);
    s.thumbnail_cols = 1;
    s.html_page = 1;
    EXPECT_EQ(WriteIndexPage(s, list, 1, 2, 0, status), 1);
    EXPECT_EQ(WriteSlideShowPage(s, list, 2, 2, 1, status), 1);
    EXPECT_TRUE(std::filesystem::exists(dir / "my2s.html"));
    EXPECT_EQ(status.message, "");

    // A page that cannot be begun still hands on the next page's first picture.
    s.out_dir = dir / "missing";
    PageWriteStatus slide;
    EXPECT_EQ(WriteIndexPage(s, list, 1, 2, 0, status), 1);
    EXPECT_EQ(WriteSlideShowPage(s, list, 1, 1, 0, slide), -1);
    for (const PageWriteStatus& failed : {status, slide}) {
        EXPECT_EQ(failed.result, PageWriteResult::OpenFailed);
        EXPECT_EQ(failed.message, "書きこみモードでファイルをオープンできませんでした。");
    }
}

TEST(PageFiles, AFullDiskStopsThePageWithTheSystemTextAndKeepsTheOldOne) {
    TempDir dir;
    AlbumSettings s;
    s.out_dir = dir.Path();
    WriteTestFile(dir / "my.html", "last build's page");
    PictureListModel list;
    Add(list, "a.jpg");
    PageWriteStatus index;
    PageWriteStatus slide;
    {
        // As on a full disk: no file may grow beyond 100 bytes.
        FileSizeLimit full(100);
        ASSERT_TRUE(full.Active());
        EXPECT_EQ(WriteIndexPage(s, list, 1, 1, 0, index), -2);
        EXPECT_EQ(WriteSlideShowPage(s, list, 1, 1, 0, slide), 0);
    }
    EXPECT_EQ(index.message, "error: File too large");
    EXPECT_EQ(slide.message, "error: File too large");
    EXPECT_EQ(ReadTestFile(dir / "my.html"), "last build's page");
    EXPECT_FALSE(std::filesystem::exists(dir / "mys.html"));
}

TEST(PageFiles, APageThatIsALinkIsReplacedNotWrittenThrough) {
    TempDir dir;
    AlbumSettings s;
    s.out_dir = dir.Path();
    WriteTestFile(dir / "notes.txt", "someone's notes");
    std::filesystem::create_symlink("notes.txt", dir / "my.html");
    PictureListModel list;
    Add(list, "a.jpg");
    PageWriteStatus status;
    EXPECT_EQ(WriteIndexPage(s, list, 1, 1, 0, status), -1);
    EXPECT_EQ(status.result, PageWriteResult::Written);
    EXPECT_EQ(ReadTestFile(dir / "notes.txt"), "someone's notes");
    EXPECT_FALSE(std::filesystem::is_symlink(dir / "my.html"));
    EXPECT_EQ(ReadTestFile(dir / "my.html").rfind("<HTML>\r\n", 0), 0u);
}

TEST(SlideShowPage, ArrayHoldsTheIndexPagesPictures) {
    AlbumSettings s;
    s.html_page = 1;
    s.thumbnail_cols = 2;
    s.thumbnail_rows = 1;
    PictureListModel list;
    for (const char* n : {"a.jpg", "b.jpg", "c.jpg"}) Add(list, n);
    std::string second = RenderSlideShowPage(s, list, 2);
    EXPECT_NE(second.find("fname = new Array(\"my_p/c.jpg\");"), std::string::npos);
    EXPECT_NE(second.find("<IMG SRC=\"my_p/c.jpg\" NAME=\"img_frame\""), std::string::npos);
    std::string first = RenderSlideShowPage(s, list, 0);
    EXPECT_NE(first.find("fname = new Array(\"my_p/a.jpg\",\"my_p/b.jpg\");"), std::string::npos);
    s.html_page = 0;
    EXPECT_NE(RenderSlideShowPage(s, list, 0)
                  .find("fname = new Array(\"my_p/a.jpg\",\"my_p/b.jpg\",\"my_p/c.jpg\");"),
              std::string::npos);
}

}  // namespace
