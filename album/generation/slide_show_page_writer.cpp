#include "album/generation/slide_show_page_writer.h"

#include <algorithm>
#include <cstdint>
#include <vector>

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

std::string RenderSlideShowPage(const AlbumSettings& s, std::span<const PagePicture> pictures) {
    // The same pictures as the index page's table.
    const std::size_t shown =
        static_cast<std::size_t>(std::min<std::int64_t>(pictures.size(), PicturesPerPage(s)));
    std::string array;
    for (std::size_t i = 0; i < shown; ++i) {
        if (i > 0) array += ",";
        // A string of the script element: no attribute escape, as nothing decodes "&" there.
        array += "\"" + EscapeJsString(EscapeUrlPath(pictures[i].link)) + "\"";
    }
    // With no picture the frame shows the picture folder, as the link of an empty name does.
    const std::string first_picture =
        shown == 0 ? MakeAlbumPath(s, kPictureFolderKind, "", true) : pictures[0].link;
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

std::string RenderSlideShowPage(const AlbumSettings& settings, const PictureSelection& pictures,
                                int first_item) {
    std::vector<PagePicture> shown;
    int item = first_item;
    for (std::int64_t taken = 0; item != -1 && taken < PicturesPerPage(settings);
         ++taken, item = pictures.NextChecked(item)) {
        shown.push_back(PagePictureOf(settings, pictures.ItemText(item), "", false));
    }
    return RenderSlideShowPage(settings, shown);
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
