#include "album/generation/slide_show_page_writer.h"

#include <algorithm>

#include "album/generation/html_helpers.h"
#include "album/generation/page_file.h"
#include "album/settings/album_settings.h"
#include "album/settings/html_color.h"
#include "album/settings/material_folders.h"
#include "platform/picture_selection.h"

std::string SlideShowPageFileName(const AlbumSettings& settings, int page, int page_count) {
    std::string name = AlbumOutputFolder(settings) + settings.html_name;
    if (page_count > 1 && page != 1) name += std::to_string(page);
    return name + "s.html";
}

std::string RenderSlideShowPage(const AlbumSettings& s, const PictureSelection& pictures,
                                int first_item) {
    // The same pictures as the index page's table: at most columns x rows (rows 1000 without
    // paging), with values below 1 counted as 1 as the index page does.
    const int row_limit = s.html_page != 0 ? std::max(1, s.thumbnail_rows) : 1000;
    const long limit = static_cast<long>(std::max(1, s.thumbnail_cols)) * row_limit;
    std::string array;
    long taken = 0;
    for (int item = first_item; item != -1 && taken < limit; item = pictures.NextChecked(item)) {
        if (taken > 0) array += ",";
        // A string of the script element: no attribute escape, as nothing decodes "&" there.
        array += "\"" +
                 EscapeJsString(EscapeUrlPath(
                     MakeAlbumPath(s, kPictureFolderKind, pictures.ItemText(item), true))) +
                 "\"";
        ++taken;
    }
    const std::string first_picture =
        first_item == -1
            ? MakeAlbumPath(s, kPictureFolderKind, "", true)
            : MakeAlbumPath(s, kPictureFolderKind, pictures.ItemText(first_item), true);
    const std::string link_colour = FormatHtmlColor(s.color_commen);

    std::string out;
    out += "<HTML>\n";
    out += "  <HEAD>\n";
    out += "    <TITLE>slide show</TITLE>\n";
    out += "\n";
    out += "    <META content=\"text/html; charset=shift_jis\" http-equiv=Content-Type>\n";
    out += "    <META name=Generator content=\"Pictavo ver1.3 (株)Norvane\">\n";
    out += "\n";
    out += "    <SCRIPT LANGUAGE=\"JavaScript\">\n";
    out += "    <!--\n";
    out += "    \tfname = new Array(" + array + ");\n";
    out += "    \tvar num = 0;\n";
    out += "    \tfunction slideshow()\n";
    out += "    \t{\n";
    out += "    \t\tif(document.img_frame.complete){\n";
    out += "    \t\t\tnum++;\n";
    out += "    \t\t\tif( num >= fname.length )num=0;\n";
    out += "    \t\t\tdocument.img_frame.src=fname[num];\n";
    out += "    \t\t}\n";
    out += "    \t}\n";
    out += "    //-->\n";
    out += "    </SCRIPT>\n";
    out += "  </HEAD>\n";
    out += "\n";
    out += "  <BODY BGCOLOR=\"" + FormatHtmlColor(s.color_bg) + "\" BACKGROUND=\"" +
           EscapeLinkAttribute(
               MakeAlbumPath(s, kMaterialFolderKind, MaterialFileName(s.name_bg), true)) +
           "\" TEXT=\"" + FormatHtmlColor(s.color_thumb) + "\" LINK=\"" + link_colour +
           "\" VLINK=\"" + link_colour + "\" ALINK=\"" + link_colour +
           "\"  onLoad=\"setInterval('slideshow()',3000);\">\n";
    if (const std::string music = MaterialFileName(s.name_bgm); !music.empty()) {
        out += "  <EMBED SRC=\"" +
               EscapeLinkAttribute(MakeAlbumPath(s, kMaterialFolderKind, music, true)) +
               "\" WIDTH=1 HEIGHT=1 autostart=TRUE loop=-1 panel=0>\n";
    }
    out += "    <CENTER>\n";
    out += "    <H1><FONT COLOR=\"" + FormatHtmlColor(s.color_title) + "\" SIZE=\"" +
           std::to_string(s.size_title) + "\">" + s.html_title + "</FONT></H1>\n";
    out += "    <BR>\n";
    out += "    <IMG SRC=\"" + EscapeLinkAttribute(first_picture) +
           "\" NAME=\"img_frame\" HEIGHT=\"50%\">\n";
    out += "\n";
    out += "    <FORM>\n";
    out +=
        "    <INPUT TYPE=\"button\" VALUE=\"次の画像表示が遅い場合ここをクリック\" "
        "onClick=\"slideshow()\" ><BR><BR>\n";
    out += "    <INPUT TYPE=\"button\" VALUE=\" CLOSE \" onClick=\"window.close()\" >\n";
    out += "    </FORM>\n";
    out += "</BODY></HTML>\n";
    return ToPageBytes(out);
}

int WriteSlideShowPage(const AlbumSettings& settings, const PictureSelection& pictures, int page,
                       int page_count, int first_item, PageWriteStatus& status) {
    const std::string bytes = RenderSlideShowPage(settings, pictures, first_item);
    status = WritePageFile(SlideShowPageFileName(settings, page, page_count), bytes);
    switch (status.result) {
        case PageWriteResult::OpenFailed:
            return -1;
        case PageWriteResult::WriteFailed:
            return 0;
        case PageWriteResult::Written:
            break;
    }
    return 1;
}
