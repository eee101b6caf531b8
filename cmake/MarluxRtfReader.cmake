# The RTF reader builds its document straight into the pieces of Qt's private text API when the
# private headers (qt6-base-private-dev) fit this Qt; without them it builds through the public
# cursor, a little slower. MARLUX_RTF_PIECES tells which.
include(CheckCXXSourceCompiles)

if(NOT DEFINED MARLUX_RTF_PIECES)
  set(CMAKE_REQUIRED_LIBRARIES Qt6::GuiPrivate)
  check_cxx_source_compiles([[
#include <private/qtextdocument_p.h>
int main()
{
    QTextDocument doc;
    QTextDocumentPrivate *priv = QTextDocumentPrivate::get(&doc);
    priv->insert(0, QString(), priv->formatCollection()->indexForFormat(QTextCharFormat()));
    priv->insertBlock(0, 0, 0);
    return 0;
}]] MARLUX_RTF_PIECES)
  unset(CMAKE_REQUIRED_LIBRARIES)
endif()

# The codec's sources (no widgets), for each target that builds them: the library, the fuzz
# target, the test of the cursor path.
set(MARLUX_RTF_CODEC_SOURCES
  rtfcodepage.cpp rtfpicture.cpp rtfreader.cpp rtfreadercodepages.cpp rtfreaderdestinations.cpp
  rtfreaderdocument.cpp rtfreaderwords.cpp rtfwriter.cpp)
list(TRANSFORM MARLUX_RTF_CODEC_SOURCES PREPEND ${CMAKE_CURRENT_LIST_DIR}/../src/platform/richtext/)

# Builds target's copy of the reader through the private API when it can; CURSOR forces the
# public path (one test builds it so, that it does not rot).
function(marlux_rtf_reader_path target)
  cmake_parse_arguments(ARG "CURSOR" "" "" ${ARGN})
  if(MARLUX_RTF_PIECES AND NOT ARG_CURSOR)
    target_compile_definitions(${target} PRIVATE MARLUX_RTF_PIECES=1)
    target_link_libraries(${target} PRIVATE Qt6::GuiPrivate)
  endif()
endfunction()
