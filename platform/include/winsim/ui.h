// Control interface of the stand-in's message boxes: every request is logged,
// and answers come from a queue the host or a test fills.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "winsim.h"

namespace winsim {

struct WINSIM_API MessageBoxRequest {
    HWND owner = nullptr;
    std::u16string text;
    std::u16string caption;
    UINT style = 0;
    int answer = 0;  // what the call returned
};

// Answers for the next message boxes, first in first out.
WINSIM_API void queueMessageBoxAnswer(int answer);
WINSIM_API size_t pendingMessageBoxAnswers();
// Asked, when the queue is empty, instead of taking the default button (for
// a host that shows the box itself). An empty function removes it.
WINSIM_API void setMessageBoxHandler(std::function<int(const MessageBoxRequest&)> handler);
// The answer a user pressing Enter gives a box of `style` (its MB_DEFBUTTONn
// button, the first past the style's buttons); 0 for an unknown style.
WINSIM_API int defaultMessageBoxAnswer(UINT style);
// Requests of this process, oldest first.
WINSIM_API std::vector<MessageBoxRequest> messageBoxLog();
// Empties the log and the queue.
WINSIM_API void clearMessageBoxes();
// The window GetActiveWindow returns.
WINSIM_API void setActiveWindow(HWND window);

}  // namespace winsim
