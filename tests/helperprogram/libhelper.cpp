// A library of the developer's own, as one built with MSYS2 or vcpkg: it lies
// in a folder on PATH, where the deployment tool does not look.
extern "C" __declspec(dllexport) int helper_answer()
{
    return 42;
}
