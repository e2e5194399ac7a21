// A key grab held by another X client than Vorkel's connection, on
// $DISPLAY, for as long as the object lives. No Qt here or in its source.
#pragma once

class other_client_grab {
public:
    // Grabs Ctrl+Alt+key; keysym_name as X spells it ("g").
    explicit other_client_grab(const char *keysym_name);
    ~other_client_grab();
    other_client_grab(const other_client_grab &) = delete;
    other_client_grab &operator=(const other_client_grab &) = delete;
    bool ok() const { return ok_; }

private:
    void *display_ = nullptr;
    bool ok_ = false;
};
