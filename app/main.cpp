#include "app/CScanApp.h"

CScanApp theApp;

int main()
{
    return AfxWinMain(GetModuleHandleA(nullptr), nullptr, const_cast<LPSTR>(""), SW_SHOWNORMAL);
}
