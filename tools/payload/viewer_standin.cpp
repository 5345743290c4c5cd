// p_mara64.exe of the payload: a stand-in for the viewer, so that "the
// viewer is running" and "start the viewer" can be tested for real. It opens
// one top-level window of class "Pellumara" whose title shows what it was
// started with (a file, or "/thumbs" and a folder) and ends when the window
// is closed.
#include <windows.h>

#include <string>

namespace {

LRESULT CALLBACK ViewerProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR arguments, int show) {
  WNDCLASSA window_class = {};
  window_class.lpfnWndProc = ViewerProc;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursor(nullptr, IDC_ARROW);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  window_class.lpszClassName = "Pellumara";
  if (!RegisterClassA(&window_class)) return 1;

  std::string title = "Pellumara";
  if (arguments != nullptr && arguments[0] != '\0') title += std::string(" - ") + arguments;
  HWND window = CreateWindowA("Pellumara", title.c_str(), WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                              CW_USEDEFAULT, 800, 600, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) return 1;
  ShowWindow(window, show);
  UpdateWindow(window);

  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return 0;
}
