// Running native programs from a Wine process, and reading their PPM files.
#include "support/NativeTools.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

namespace kypcx_test {

bool NativeShell::Has(const char* unixPath) {
    return GetFileAttributesW((L"Z:" + std::wstring(unixPath, unixPath + std::strlen(unixPath))).c_str()) !=
           INVALID_FILE_ATTRIBUTES;
}

std::string NativeShell::UnixPath(const std::wstring& windowsPath) {
    using ToUnix = char*(CDECL*)(LPCWSTR);
    auto toUnix = reinterpret_cast<ToUnix>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (toUnix == nullptr) return "";
    char* unix = toUnix(windowsPath.c_str());
    if (unix == nullptr) return "";
    std::string path = unix;
    HeapFree(GetProcessHeap(), 0, unix);
    return path;
}

int NativeShell::Run(const ScratchDir& dir, const std::string& script, std::string* output) {
    static int runNumber = 0;
    const std::string tag = "native" + std::to_string(++runNumber);
    const std::string unixDir = UnixPath(dir.dir());
    if (unixDir.empty() || !Has("/bin/sh")) return -1;
    const std::string job = unixDir + "/" + tag;
    const std::string runner = "export PATH=/usr/bin:/bin\ncd '" + unixDir + "' || exit 99\n(\n" + script +
                               "\n) > '" + job + ".out' 2>&1\necho $? > '" + job + ".tmp'\nmv '" + job + ".tmp' '" +
                               job + ".status'\n";
    const std::wstring wideTag(tag.begin(), tag.end());
    WriteFileBytes(dir.Path(wideTag + L".sh"), std::vector<uint8_t>(runner.begin(), runner.end()));

    // Wine starts a native program for CreateProcess but gives no waitable
    // process; the script's status file says when it is done.
    // Windows command-line quoting: double quotes, which Unix paths here never hold.
    std::wstring command = L"/bin/sh \"" + std::wstring(job.begin(), job.end()) + L".sh\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(L"Z:\\bin\\sh", &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return -1;
    if (process.hProcess != nullptr) CloseHandle(process.hProcess);
    if (process.hThread != nullptr) CloseHandle(process.hThread);
    const std::wstring statusPath = dir.Path(wideTag + L".status");
    for (int waited = 0; waited < 60000; waited += 20) {
        if (GetFileAttributesW(statusPath.c_str()) != INVALID_FILE_ATTRIBUTES) {
            const std::vector<uint8_t> status = ReadFileBytes(statusPath);
            const std::vector<uint8_t> out = ReadFileBytes(dir.Path(wideTag + L".out"));
            if (output != nullptr) output->assign(out.begin(), out.end());
            return std::atoi(std::string(status.begin(), status.end()).c_str());
        }
        Sleep(20);
    }
    return -1;
}

const NativePcxReader kNativePcxReaders[3] = {
    {"netpbm", "/usr/bin/pcxtoppm", "/usr/bin/pcxtoppm IN > OUT", false},
    {"ImageMagick", "/usr/bin/convert", "/usr/bin/convert IN -depth 8 ppm:OUT", true},
    {"Pillow", "/usr/bin/python3",
     "/usr/bin/python3 -c 'import sys; from PIL import Image; "
     "Image.open(sys.argv[1]).convert(\"RGB\").save(sys.argv[2], \"PPM\")' IN OUT",
     false},
};

std::string NativePcxReader::Command(const std::string& in, const std::string& out) const {
    std::string line = command;
    line.replace(line.find("IN"), 2, in);
    line.replace(line.find("OUT"), 3, out);
    return line;
}

bool ReadPpm(const std::vector<uint8_t>& bytes, PpmImage* image) {
    size_t pos = 0;
    auto field = [&](int* value) {
        while (pos < bytes.size()) {
            if (bytes[pos] == '#') {
                while (pos < bytes.size() && bytes[pos] != '\n') ++pos;
            } else if (std::isspace(bytes[pos])) {
                ++pos;
            } else {
                break;
            }
        }
        int v = 0;
        bool any = false;
        while (pos < bytes.size() && std::isdigit(bytes[pos])) {
            v = v * 10 + (bytes[pos++] - '0');
            any = true;
        }
        *value = v;
        return any;
    };
    if (bytes.size() < 2 || bytes[0] != 'P' || bytes[1] != '6') return false;
    pos = 2;
    int maxval = 0;
    if (!field(&image->width) || !field(&image->height) || !field(&maxval) || maxval != 255) return false;
    ++pos;  // the one whitespace byte before the samples
    const size_t count = size_t(image->width) * image->height;
    if (bytes.size() < pos + 3 * count) return false;
    image->pixels.resize(count);
    for (size_t i = 0; i < count; ++i)
        image->pixels[i] = Rgb{bytes[pos + 3 * i], bytes[pos + 3 * i + 1], bytes[pos + 3 * i + 2]};
    return true;
}

}  // namespace kypcx_test
