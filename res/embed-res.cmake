# Writes a C++ source holding a compiled resource file as a byte array, registered as the
# program's resources when the program starts.
#   cmake -DINPUT=velmora.res -DOUTPUT=velmora_res.cpp -P embed-res.cmake
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" digits)
if(digits EQUAL 0)
  message(FATAL_ERROR "${INPUT} is empty")
endif()
# Sixteen bytes a line.
string(REGEX REPLACE "([0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f])" "\\1\n" hex "${hex}")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
get_filename_component(name "${INPUT}" NAME)
file(WRITE "${OUTPUT}.tmp" "// Made from ${name} by res/embed-res.cmake at build time.
#include \"embedded_resources.h\"
#include \"vlm_posix.h\"

namespace {

// Aligned like the file's own records, so resource data starts on DWORD boundaries.
alignas(8) const unsigned char kResources[] = {
${bytes}
};

struct Registration {
    Registration() { vlm::posix::RegisterResources(kResources, sizeof kResources); }
};
const Registration registration;

} // namespace

std::span<const unsigned char> vlm::res::EmbeddedResources()
{
    return kResources;
}
")
# Only a changed file makes its users rebuild.
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
