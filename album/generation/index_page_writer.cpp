#include "album/generation/index_page_writer.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "album/generation/html_helpers.h"
#include "album/generation/page_file.h"
#include "album/settings/album_settings.h"
#include "album/settings/html_color.h"
#include "album/settings/material_folders.h"
#include "platform/file_system.h"
#include "platform/picture_selection.h"

namespace {

// The page-number part of a page's file name: nothing for page 1 or a single page.
std::string PageSuffix(int page, int page_count) {
    return (page_count > 1 && page != 1) ? std::to_string(page) : std::string();
}

// The link of a material; a name that is not one file name of its folder links the folder alone,
// as no material does.
std::string MaterialLink(const AlbumSettings& s, const std::string& name) {
    return EscapeLinkAttribute(MakeAlbumPath(s, kMaterialFolderKind, MaterialFileName(name), true));
}

void AppendCell(std::string& out, const AlbumSettings& s, const PagePicture& cell) {
    const std::string picture = EscapeLinkAttribute(cell.link);
    out += "        <TD>\n";
    out += "        <FONT SIZE=\"" + std::to_string(s.size_thumb) + "\">\n";
    if (s.brws_mode != 0) {
        // The escapes from the inside out: the link; safe unquoted, as the preview window writes
        // it into "<IMG SRC=" + picName; a string of a script in a "JavaScript:" URL; an
        // attribute value.
        out += "          <A HREF=\"JavaScript:nwd('" +
               EscapeAttributeText(
                   EscapeJsUrlInHref(EscapeUnquotedAttributeUrl(EscapeUrlPath(cell.link)))) +
               "')\">";
    } else {
        out += "          <A HREF=\"" + picture + "\" TARGET=\"_BLANK\">";
    }
    const std::string alt = EscapeAttributeText(cell.caption);
    if (!cell.thumbnail.empty()) {
        out += "<IMG SRC=\"" + EscapeLinkAttribute(cell.thumbnail) + "\" ALT=\"" + alt +
               "\" BORDER=\"0\" ></A>\n";
    } else {
        // No thumbnail (a GIF, or a picture that could not be read): the picture itself at the
        // thumbnail height.
        out += "<IMG SRC=\"" + picture + "\" ALT=\"" + alt + "\" BORDER=\"0\" HEIGHT=\"" +
               std::to_string(s.thumbnail_y) + "\"></A>\n";
    }
    if (s.thumbnail_fname != 0) out += "             <BR>" + EscapeHtmlText(cell.caption);
    if (!cell.comment.empty()) out += "             <BR>" + EscapeCommentHtml(cell.comment);
    out += "\n        </FONT>\n";
    out += "        </TD>\n";
}

void AppendPagingLine(std::string& out, const AlbumSettings& s, int page, int page_count) {
    out += "    <P><FONT COLOR=\"" + FormatHtmlColor(s.color_commen) + "\">\n";
    if (page != 1) {
        const std::string previous = s.html_name + PageSuffix(page - 1, page_count) + ".html";
        out += "<A HREF=\"" + EscapeLinkAttribute(previous) + "\">前のページへ</A>";
    }
    out += "[ Page " + std::to_string(page) + " / " + std::to_string(page_count) + " ]";
    if (page != page_count) {
        const std::string next = s.html_name + PageSuffix(page + 1, page_count) + ".html";
        out += "<A HREF=\"" + EscapeLinkAttribute(next) + "\">次のページへ</A>";
    }
    out += "</FONT></P>\n";
    out += "\n";
}

}  // namespace

std::string IndexPageFileName(const AlbumSettings& settings, int page, int page_count) {
    return AlbumOutputFolder(settings) + settings.html_name + PageSuffix(page, page_count) +
           ".html";
}

bool ThumbnailExists(const AlbumSettings& settings, const std::string& file_name) {
    return PathExists(AlbumOutputFolder(settings) +
                      MakeAlbumPath(settings, kThumbnailFolderKind, file_name, false));
}

std::string RenderIndexPage(const AlbumSettings& s, std::span<const PagePicture> pictures, int page,
                            int page_count) {
    std::string out;
    out += "<HTML>\n";
    out += "  <HEAD>\n";
    out += "    <TITLE>" + s.html_title + "</TITLE>\n";
    out += "\n";
    out += "    <META content=\"text/html; charset=shift_jis\" http-equiv=Content-Type>\n";
    out += "    <META name=Generator content=\"Pictavo ver1.3 (株)Norvane\">\n";
    out += "\n";
    if (s.brws_mode != 0) {
        out += "    <SCRIPT LANGUAGE=\"JavaScript\">\n";
        out += "    <!--\n";
        out += "    function nwd( picName )\n";
        out += "    {\n";
        out += "    \tvar nwin = open(\"\");\n";
        out += "    \tnwin.document.open();\n";
        out += "    \tnwin.document.write(\"<HTML><HEAD><TITLE>Preview</TITLE></HEAD>\");\n";
        out +=
            "    \tnwin.document.write(\"<BODY><IMG SRC=\" + picName + \" HEIGHT=100% "
            "BORDER=0></BODY></HTML>\");\n";
        out += "    \tnwin.document.close();\n";
        out += "    }\n";
        out += "    //-->\n";
        out += "    </SCRIPT>\n";
        out += "\n";
    }
    if (s.slide_mode != 0) {
        out += "    <SCRIPT LANGUAGE=\"JavaScript\">\n";
        out += "    <!--\n";
        out += "    function nwdhtm( htm )\n";
        out += "    {\n";
        out += "    \tnwin1 = window.open(htm, \"\", \"resizable=1,width=300,height=400\");\n";
        out += "    }\n";
        out += "    //-->\n";
        out += "    </SCRIPT>\n";
    }
    out += "  </HEAD>\n";
    out += "\n";
    const std::string link_colour = FormatHtmlColor(s.color_commen);
    out += "  <BODY BGCOLOR=\"" + FormatHtmlColor(s.color_bg) + "\" BACKGROUND=\"" +
           MaterialLink(s, s.name_bg) + "\" TEXT=\"" + FormatHtmlColor(s.color_thumb) +
           "\" LINK=\"" + link_colour + "\" VLINK=\"" + link_colour + "\" ALINK=\"" + link_colour +
           "\">\n";
    if (!MaterialFileName(s.name_bgm).empty()) {
        out += "  <EMBED SRC=\"" + MaterialLink(s, s.name_bgm) +
               "\" WIDTH=1 HEIGHT=1 autostart=TRUE loop=-1 panel=0>\n";
    }
    out += "    <CENTER>\n";
    out += "    <H1><FONT COLOR=\"" + FormatHtmlColor(s.color_title) + "\" SIZE=\"" +
           std::to_string(s.size_title) + "\">" + s.html_title + "</FONT></H1>\n";
    out += "    <BR>\n";
    if (!MaterialFileName(s.name_hr).empty()) {
        out += "    <IMG SRC=\"" + MaterialLink(s, s.name_hr) + "\" WIDTH=\"90%\"><br>\n";
    } else {
        out += "    <HR WIDTH=\"90%\">\n";
    }
    if (s.html_marquee != 0) out += "    <MARQUEE WIDTH=\"90%\">\n";
    out += "    <P><FONT COLOR=\"" + link_colour + "\" SIZE=\"" + std::to_string(s.size_comment) +
           "\">" + s.html_comment + "</FONT></P>\n";
    if (s.html_marquee != 0) out += "    </MARQUEE>\n";
    out += "    <BR>\n";
    out += "\n";
    if (s.thumbnail_frame != 0) {
        out += "    <TABLE BORDER=\"5\" BGCOLOR=\"" + FormatHtmlColor(s.color_bg) + "\">\n";
    } else {
        out += "    <TABLE BORDER=\"0\">\n";
    }

    // A row is begun only while a picture is left, and the last one may be short: no empty cells.
    // A column count below 1 can only come from an unchecked profile; it counts as 1.
    const std::size_t columns = static_cast<std::size_t>(std::max(1, s.thumbnail_cols));
    const std::size_t shown =
        static_cast<std::size_t>(std::min<std::int64_t>(pictures.size(), PicturesPerPage(s)));
    for (std::size_t row_start = 0; row_start < shown; row_start += columns) {
        out += "      <TR ALIGN=\"CENTER\" VALIGN=\"CENTER\">\n";
        for (std::size_t i = row_start; i < shown && i < row_start + columns; ++i)
            AppendCell(out, s, pictures[i]);
        out += "      </TR>\n";
    }

    out += "    </TABLE>\n";
    out += "\n";
    out += "    <FONT SIZE=\"2\">（画像をクリックすると大きく見れます。）</FONT>\n";
    out += "    <BR>\n";
    if (!MaterialFileName(s.name_hr).empty()) {
        out += "    <IMG SRC=\"" + MaterialLink(s, s.name_hr) + "\" WIDTH=\"90%\"><BR>\n";
    } else {
        out += "    <HR WIDTH=\"90%\">\n";
    }
    out += "    <BR>\n";
    if (s.slide_mode != 0) {
        const std::string slide_page = s.html_name + PageSuffix(page, page_count) + "s.html";
        out += "\n";
        out += "    <FORM>\n";
        out +=
            "    <INPUT TYPE=\"button\" NAME=\"button\" VALUE=\" slide show \" "
            "onClick=\"nwdhtm('" +
            EscapeAttributeText(EscapeJsString(EscapeUrlPath(slide_page))) + "')\">\n";
        out += "    </FORM>\n";
        out += "    <BR>\n";
    }
    if (page_count > 1) AppendPagingLine(out, s, page, page_count);
    // The back link is the user's own address, kept as typed but made a safe attribute value:
    // a "\"" in it must not add attributes.
    if (!s.back_url.empty()) {
        out += "    <P><A HREF=\"" + EscapeAttributeText(s.back_url) + "\">[ BACK ]</A></P>\n\n";
    }
    out += "    </CENTER>\n";
    out += "    <P align=\"right\"> <FONT SIZE=\"2\"><A HREF=\"";
    out += kMakerAddress;
    out += "\">";
    out += kCreditText;
    out += "</A></FONT></P>";
    out += "  </BODY>";
    out += "</HTML> ";
    return ToPageBytes(out);
}

RenderedIndexPage RenderIndexPage(const AlbumSettings& settings, const PictureSelection& pictures,
                                  int page, int page_count, int first_item,
                                  const ThumbnailProbe& thumbnail_exists) {
    std::vector<PagePicture> shown;
    int item = first_item;
    for (std::int64_t taken = 0; item != -1 && taken < PicturesPerPage(settings);
         ++taken, item = pictures.NextChecked(item)) {
        const std::string name = pictures.ItemText(item);
        shown.push_back(
            PagePictureOf(settings, name, pictures.GetComment(item), thumbnail_exists(name)));
    }
    return {RenderIndexPage(settings, shown, page, page_count), item};
}

int WriteIndexPage(const AlbumSettings& settings, const PictureSelection& pictures, int page,
                   int page_count, int first_item, PageWriteStatus& status) {
    RenderedIndexPage rendered = RenderIndexPage(
        settings, pictures, page, page_count, first_item,
        [&settings](const std::string& name) { return ThumbnailExists(settings, name); });
    status = WritePageFile(IndexPageFileName(settings, page, page_count), rendered.bytes);
    // A page that could not be begun still hands on the first picture of the next page, so that
    // the pages after it show their own pictures; `status` tells that this one failed.
    if (status.result == PageWriteResult::WriteFailed) return -2;
    return rendered.next_item;
}
