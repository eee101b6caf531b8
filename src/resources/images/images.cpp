// The pictures themselves are compiled in as resources; this unit only anchors the library.
namespace MarluxImages {
int anchor = 0;
}
