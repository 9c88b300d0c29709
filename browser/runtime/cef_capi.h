#pragma once

// The C interface of the browser runtime library "qoz_libcef.dll".
//
// Objects that cross the interface are structures of function pointers whose
// first member is a cef_base_t. Each is reference counted by its implementer.
// An object passed as an argument, in either direction, is lent for the call:
// whoever keeps it takes a reference of its own. A pointer returned by a
// getter carries a reference for the caller. Strings are UTF-16 and owned by
// their holder (see the string functions at the end).

#include <stddef.h>
#include <stdint.h>
#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

#ifdef QOZ_LIBCEF_BUILD
#define QOZ_CEF_EXPORT __declspec(dllexport)
#else
#define QOZ_CEF_EXPORT __declspec(dllimport)
#endif

// Strings.
typedef wchar_t char16;
typedef struct _cef_string_utf16_t {
  char16* str;
  size_t length;
  // Frees str; null when the string does not own it.
  void (*dtor)(char16* str);
} cef_string_utf16_t;
typedef cef_string_utf16_t cef_string_t;
// A string allocated by the runtime, freed with cef_string_userfree_utf16_free.
typedef cef_string_utf16_t* cef_string_userfree_t;

typedef struct _cef_string_list_t* cef_string_list_t;
// Key and value pairs in the order appended; a map keeps one value per key.
typedef struct _cef_string_map_t* cef_string_map_t;
typedef struct _cef_string_multimap_t* cef_string_multimap_t;

typedef enum {
  TID_UI = 0,
  // The thread that runs the page-side hooks of the application object.
  TID_RENDERER = 1,
} cef_thread_id_t;

typedef enum {
  PID_BROWSER = 0,
  PID_RENDERER = 1,
} cef_process_id_t;

typedef enum {
  PET_VIEW = 0,
  PET_POPUP = 1,
} cef_paint_element_type_t;

typedef enum {
  WOD_UNKNOWN = 0,
  WOD_CURRENT_TAB = 1,
  WOD_NEW_FOREGROUND_TAB = 2,
  WOD_NEW_BACKGROUND_TAB = 3,
  WOD_NEW_POPUP = 4,
  WOD_NEW_WINDOW = 5,
} cef_window_open_disposition_t;

typedef enum {
  JSDIALOGTYPE_ALERT = 0,
  JSDIALOGTYPE_CONFIRM = 1,
  JSDIALOGTYPE_PROMPT = 2,
} cef_jsdialog_type_t;

typedef enum {
  // A key went down; no character follows from it alone.
  KEYEVENT_RAWKEYDOWN = 0,
  KEYEVENT_KEYDOWN = 1,
  KEYEVENT_KEYUP = 2,
  // The character a key produced.
  KEYEVENT_CHAR = 3,
} cef_key_event_type_t;

typedef enum {
  EVENTFLAG_NONE = 0,
  EVENTFLAG_SHIFT_DOWN = 1 << 1,
  EVENTFLAG_CONTROL_DOWN = 1 << 2,
  EVENTFLAG_ALT_DOWN = 1 << 3,
  EVENTFLAG_LEFT_MOUSE_BUTTON = 1 << 4,
  EVENTFLAG_MIDDLE_MOUSE_BUTTON = 1 << 5,
  EVENTFLAG_RIGHT_MOUSE_BUTTON = 1 << 6,
} cef_event_flags_t;

typedef enum {
  MBT_LEFT = 0,
  MBT_MIDDLE = 1,
  MBT_RIGHT = 2,
} cef_mouse_button_type_t;

typedef struct _cef_mouse_event_t {
  // View coordinates.
  int x;
  int y;
  // cef_event_flags_t bits.
  uint32_t modifiers;
} cef_mouse_event_t;

typedef struct _cef_key_event_t {
  cef_key_event_type_t type;
  uint32_t modifiers;
  // The Windows virtual-key code.
  int windows_key_code;
  int native_key_code;
  int is_system_key;
  // KEYEVENT_CHAR: one UTF-16 unit; a surrogate pair comes as two events.
  char16 character;
  char16 unmodified_character;
  int focus_on_editable_field;
} cef_key_event_t;

typedef enum {
  TS_ABNORMAL_TERMINATION = 0,
  TS_PROCESS_WAS_KILLED = 1,
  TS_PROCESS_CRASHED = 2,
} cef_termination_status_t;

typedef enum {
  RV_CANCEL = 0,
  RV_CONTINUE = 1,
  // The answer comes later through the request callback.
  RV_CONTINUE_ASYNC = 2,
} cef_return_value_t;

typedef enum {
  VTYPE_INVALID = 0,
  VTYPE_NULL = 1,
  VTYPE_BOOL = 2,
  VTYPE_INT = 3,
  VTYPE_STRING = 4,
} cef_value_type_t;

typedef struct _cef_rect_t {
  int x;
  int y;
  int width;
  int height;
} cef_rect_t;

typedef struct _cef_base_t {
  size_t size;
  void(__stdcall* add_ref)(struct _cef_base_t* self);
  // Returns 1 when this release destroyed the object.
  int(__stdcall* release)(struct _cef_base_t* self);
  int(__stdcall* has_one_ref)(struct _cef_base_t* self);
} cef_base_t;

typedef struct _cef_main_args_t {
  HINSTANCE instance;
} cef_main_args_t;

typedef struct _cef_settings_t {
  // sizeof(cef_settings_t).
  size_t size;
  int single_process;
  int no_sandbox;
  cef_string_t browser_subprocess_path;
  int multi_threaded_message_loop;
  int windowless_rendering_enabled;
  // The browser profile; a folder the runtime creates when missing.
  cef_string_t cache_path;
  // The host browser's output goes here.
  cef_string_t log_file;
  int log_severity;
  int remote_debugging_port;
  cef_string_t user_agent;
  cef_string_t locale;
} cef_settings_t;

typedef struct _cef_point_t {
  int x;
  int y;
} cef_point_t;

typedef struct _cef_window_info_t {
  HWND parent_window;
  // Child-window browsers: position and size in the parent's client area.
  int x;
  int y;
  int width;
  int height;
  int windowless_rendering_enabled;
  // Off-screen frames keep the page's transparency instead of white.
  int transparent_painting_enabled;
  HWND window;
  // Child-window and top-level browsers: the window's style and title.
  DWORD style;
  cef_string_t window_name;
} cef_window_info_t;

typedef struct _cef_browser_settings_t {
  size_t size;
} cef_browser_settings_t;

typedef struct _cef_popup_features_t {
  int x;
  int y;
  int width;
  int height;
} cef_popup_features_t;

struct _cef_browser_t;
struct _cef_browser_host_t;
struct _cef_client_t;
struct _cef_frame_t;
struct _cef_v8context_t;

// A list of values; an index past the end reads as empty and a set grows the
// list to it.
typedef struct _cef_list_value_t {
  cef_base_t base;
  size_t(__stdcall* get_size)(struct _cef_list_value_t* self);
  cef_value_type_t(__stdcall* get_type)(struct _cef_list_value_t* self, size_t index);
  int(__stdcall* get_bool)(struct _cef_list_value_t* self, size_t index);
  int(__stdcall* get_int)(struct _cef_list_value_t* self, size_t index);
  cef_string_userfree_t(__stdcall* get_string)(struct _cef_list_value_t* self, size_t index);
  int(__stdcall* set_bool)(struct _cef_list_value_t* self, size_t index, int value);
  int(__stdcall* set_int)(struct _cef_list_value_t* self, size_t index, int value);
  int(__stdcall* set_string)(struct _cef_list_value_t* self, size_t index,
                             const cef_string_t* value);
} cef_list_value_t;

// A named message between the browser side and the page side; sending copies
// it, so the sender may change or reuse it afterwards.
typedef struct _cef_process_message_t {
  cef_base_t base;
  cef_string_userfree_t(__stdcall* get_name)(struct _cef_process_message_t* self);
  cef_list_value_t*(__stdcall* get_argument_list)(struct _cef_process_message_t* self);
} cef_process_message_t;

// A value of a page's script. Objects and functions stand for the page's own
// objects; using them waits for the page, on TID_RENDERER only.
typedef struct _cef_v8value_t {
  cef_base_t base;
  int(__stdcall* is_undefined)(struct _cef_v8value_t* self);
  int(__stdcall* is_null)(struct _cef_v8value_t* self);
  int(__stdcall* is_bool)(struct _cef_v8value_t* self);
  int(__stdcall* is_int)(struct _cef_v8value_t* self);
  int(__stdcall* is_double)(struct _cef_v8value_t* self);
  int(__stdcall* is_string)(struct _cef_v8value_t* self);
  // Functions are objects too.
  int(__stdcall* is_object)(struct _cef_v8value_t* self);
  int(__stdcall* is_function)(struct _cef_v8value_t* self);
  int(__stdcall* get_bool_value)(struct _cef_v8value_t* self);
  int32_t(__stdcall* get_int_value)(struct _cef_v8value_t* self);
  double(__stdcall* get_double_value)(struct _cef_v8value_t* self);
  cef_string_userfree_t(__stdcall* get_string_value)(struct _cef_v8value_t* self);
  // Null when the value is no object or the page failed.
  struct _cef_v8value_t*(__stdcall* get_value_bykey)(struct _cef_v8value_t* self,
                                                     const cef_string_t* key);
  // Calls the function with `object` as this (null: none); null when the
  // value is no function or the call threw.
  struct _cef_v8value_t*(__stdcall* execute_function)(struct _cef_v8value_t* self,
                                                      struct _cef_v8value_t* object,
                                                      size_t arguments_count,
                                                      struct _cef_v8value_t* const* arguments);
} cef_v8value_t;

// The script context of one document of a frame.
typedef struct _cef_v8context_t {
  cef_base_t base;
  struct _cef_browser_t*(__stdcall* get_browser)(struct _cef_v8context_t* self);
  struct _cef_frame_t*(__stdcall* get_frame)(struct _cef_v8context_t* self);
  cef_v8value_t*(__stdcall* get_global)(struct _cef_v8context_t* self);
  // Makes the context current on TID_RENDERER until the matching exit.
  int(__stdcall* enter)(struct _cef_v8context_t* self);
  int(__stdcall* exit)(struct _cef_v8context_t* self);
  int(__stdcall* is_same)(struct _cef_v8context_t* self, struct _cef_v8context_t* that);
} cef_v8context_t;

// Serves the native functions of an extension, on TID_RENDERER. The page's
// call does not wait for the answer: the return value is dropped, and a
// failure (0 with an exception text) is thrown in the page afterwards.
typedef struct _cef_v8handler_t {
  cef_base_t base;
  int(__stdcall* execute)(struct _cef_v8handler_t* self, const cef_string_t* name,
                          cef_v8value_t* object, size_t arguments_count,
                          cef_v8value_t* const* arguments, cef_v8value_t** retval,
                          cef_string_t* exception);
} cef_v8handler_t;

typedef struct _cef_request_t {
  cef_base_t base;
  cef_string_userfree_t(__stdcall* get_url)(struct _cef_request_t* self);
  cef_string_userfree_t(__stdcall* get_method)(struct _cef_request_t* self);
} cef_request_t;

// Answers a request held for the client (a resource load held with
// RV_CONTINUE_ASYNC, a storage quota); the first answer counts.
typedef struct _cef_request_callback_t {
  cef_base_t base;
  void(__stdcall* cont)(struct _cef_request_callback_t* self, int allow);
  void(__stdcall* cancel)(struct _cef_request_callback_t* self);
} cef_request_callback_t;

typedef struct _cef_task_t {
  cef_base_t base;
  void(__stdcall* execute)(struct _cef_task_t* self);
} cef_task_t;

typedef struct _cef_command_line_t {
  cef_base_t base;
  void(__stdcall* append_switch)(struct _cef_command_line_t* self, const cef_string_t* name);
  void(__stdcall* append_switch_with_value)(struct _cef_command_line_t* self,
                                            const cef_string_t* name, const cef_string_t* value);
} cef_command_line_t;

typedef struct _cef_scheme_registrar_t {
  cef_base_t base;
} cef_scheme_registrar_t;

typedef struct _cef_completion_callback_t {
  cef_base_t base;
  void(__stdcall* on_complete)(struct _cef_completion_callback_t* self);
} cef_completion_callback_t;

typedef struct _cef_cookie_manager_t {
  cef_base_t base;
  // The schemes whose responses may set cookies; the runtime always keeps
  // them for "http" and "https".
  void(__stdcall* set_supported_schemes)(struct _cef_cookie_manager_t* self,
                                         cef_string_list_t schemes,
                                         cef_completion_callback_t* callback);
} cef_cookie_manager_t;

typedef struct _cef_browser_process_handler_t {
  cef_base_t base;
  // On TID_UI once the runtime has started.
  void(__stdcall* on_context_initialized)(struct _cef_browser_process_handler_t* self);
} cef_browser_process_handler_t;

// An element of a page, as a focus report names it.
typedef struct _cef_domnode_t {
  cef_base_t base;
  // 1 for an element that takes typed text.
  int(__stdcall* is_editable)(struct _cef_domnode_t* self);
} cef_domnode_t;

// The page side of the application object; every call comes on
// TID_RENDERER.
typedef struct _cef_render_process_handler_t {
  cef_base_t base;
  // Once, before the first browser: the time to register extensions.
  void(__stdcall* on_web_kit_initialized)(struct _cef_render_process_handler_t* self);
  void(__stdcall* on_browser_created)(struct _cef_render_process_handler_t* self,
                                      struct _cef_browser_t* browser);
  // A document's script context goes away (navigation, close).
  void(__stdcall* on_context_released)(struct _cef_render_process_handler_t* self,
                                       struct _cef_browser_t* browser, struct _cef_frame_t* frame,
                                       struct _cef_v8context_t* context);
  // A message sent to PID_RENDERER; 1 when handled.
  int(__stdcall* on_process_message_received)(struct _cef_render_process_handler_t* self,
                                              struct _cef_browser_t* browser,
                                              cef_process_id_t source_process,
                                              struct _cef_process_message_t* message);
  // The focus of a frame's document moved to `node`, or to no element
  // (null).
  void(__stdcall* on_focused_node_changed)(struct _cef_render_process_handler_t* self,
                                           struct _cef_browser_t* browser,
                                           struct _cef_frame_t* frame, cef_domnode_t* node);
} cef_render_process_handler_t;

typedef struct _cef_app_t {
  cef_base_t base;
  // process_type is empty for the browser process.
  void(__stdcall* on_before_command_line_processing)(struct _cef_app_t* self,
                                                     const cef_string_t* process_type,
                                                     cef_command_line_t* command_line);
  void(__stdcall* on_register_custom_schemes)(struct _cef_app_t* self,
                                              cef_scheme_registrar_t* registrar);
  cef_browser_process_handler_t*(__stdcall* get_browser_process_handler)(struct _cef_app_t* self);
  cef_render_process_handler_t*(__stdcall* get_render_process_handler)(struct _cef_app_t* self);
} cef_app_t;

typedef struct _cef_frame_t {
  cef_base_t base;
  void(__stdcall* load_url)(struct _cef_frame_t* self, const cef_string_t* url);
  // The frame's current address; free it with cef_string_userfree_utf16_free.
  cef_string_userfree_t(__stdcall* get_url)(struct _cef_frame_t* self);
  int(__stdcall* is_main)(struct _cef_frame_t* self);
  // Unique in the process and kept for the frame's life; the main frame's is
  // its browser's.
  int64_t(__stdcall* get_identifier)(struct _cef_frame_t* self);
  struct _cef_browser_t*(__stdcall* get_browser)(struct _cef_frame_t* self);
  void(__stdcall* execute_java_script)(struct _cef_frame_t* self, const cef_string_t* code,
                                       const cef_string_t* script_url, int start_line);
  // TID_RENDERER: the context of the frame's current document; null while
  // it has none.
  struct _cef_v8context_t*(__stdcall* get_v8context)(struct _cef_frame_t* self);
} cef_frame_t;

typedef struct _cef_browser_host_t {
  cef_base_t base;
  struct _cef_browser_t*(__stdcall* get_browser)(struct _cef_browser_host_t* self);
  // Closes the browser; its client hears on_before_close.
  void(__stdcall* close_browser)(struct _cef_browser_host_t* self, int force_close);
  // Off-screen: asks the client for the view rectangle again.
  void(__stdcall* was_resized)(struct _cef_browser_host_t* self);
  // Off-screen: a hidden browser delivers no frames; showing it paints.
  void(__stdcall* was_hidden)(struct _cef_browser_host_t* self, int hidden);
  // Off-screen: paints the whole view again.
  void(__stdcall* invalidate)(struct _cef_browser_host_t* self, cef_paint_element_type_t type);
  HWND(__stdcall* get_window_handle)(struct _cef_browser_host_t* self);
  void(__stdcall* send_key_event)(struct _cef_browser_host_t* self, const cef_key_event_t* event);
  void(__stdcall* send_mouse_click_event)(struct _cef_browser_host_t* self,
                                          const cef_mouse_event_t* event,
                                          cef_mouse_button_type_t type, int mouse_up,
                                          int click_count);
  void(__stdcall* send_mouse_move_event)(struct _cef_browser_host_t* self,
                                         const cef_mouse_event_t* event, int mouse_leave);
  // Deltas in pixels, positive for scrolling up (y) or left (x).
  void(__stdcall* send_mouse_wheel_event)(struct _cef_browser_host_t* self,
                                          const cef_mouse_event_t* event, int delta_x, int delta_y);
  void(__stdcall* send_focus_event)(struct _cef_browser_host_t* self, int set_focus);
  void(__stdcall* send_capture_lost_event)(struct _cef_browser_host_t* self);
  // Opens developer tools for this browser's page in a new browser of
  // `client`, made as `window_info` asks; one at a time.
  void(__stdcall* show_dev_tools)(struct _cef_browser_host_t* self,
                                  const cef_window_info_t* window_info,
                                  struct _cef_client_t* client,
                                  const cef_browser_settings_t* settings,
                                  const cef_point_t* inspect_element_at);
  // Closes the developer tools opened by show_dev_tools.
  void(__stdcall* close_dev_tools)(struct _cef_browser_host_t* self);
  // The client the browser was made with; null once it closed.
  struct _cef_client_t*(__stdcall* get_client)(struct _cef_browser_host_t* self);
  // The browser takes or loses the keyboard focus.
  void(__stdcall* set_focus)(struct _cef_browser_host_t* self, int focus);
} cef_browser_host_t;

typedef struct _cef_browser_t {
  cef_base_t base;
  cef_browser_host_t*(__stdcall* get_host)(struct _cef_browser_t* self);
  int(__stdcall* can_go_back)(struct _cef_browser_t* self);
  void(__stdcall* go_back)(struct _cef_browser_t* self);
  int(__stdcall* can_go_forward)(struct _cef_browser_t* self);
  void(__stdcall* go_forward)(struct _cef_browser_t* self);
  int(__stdcall* is_loading)(struct _cef_browser_t* self);
  void(__stdcall* reload)(struct _cef_browser_t* self);
  void(__stdcall* stop_load)(struct _cef_browser_t* self);
  // Unique in the process, from 1 up.
  int(__stdcall* get_identifier)(struct _cef_browser_t* self);
  int(__stdcall* is_same)(struct _cef_browser_t* self, struct _cef_browser_t* that);
  cef_frame_t*(__stdcall* get_main_frame)(struct _cef_browser_t* self);
  // Null when the browser has no frame of that identifier (any more).
  cef_frame_t*(__stdcall* get_frame)(struct _cef_browser_t* self, int64_t identifier);
  // A copy of `message` reaches the client (PID_BROWSER, on TID_UI) or the
  // application's render process handler (PID_RENDERER, on TID_RENDERER).
  int(__stdcall* send_process_message)(struct _cef_browser_t* self, cef_process_id_t target_process,
                                       cef_process_message_t* message);
} cef_browser_t;

typedef struct _cef_life_span_handler_t {
  cef_base_t base;
  // Returns 1 to cancel the pop-up.
  int(__stdcall* on_before_popup)(struct _cef_life_span_handler_t* self, cef_browser_t* browser,
                                  cef_frame_t* frame, const cef_string_t* target_url,
                                  const cef_string_t* target_frame_name,
                                  cef_window_open_disposition_t target_disposition,
                                  int user_gesture, const cef_popup_features_t* features,
                                  cef_window_info_t* window_info, struct _cef_client_t** client,
                                  cef_browser_settings_t* settings, int* no_javascript_access);
  void(__stdcall* on_after_created)(struct _cef_life_span_handler_t* self, cef_browser_t* browser);
  void(__stdcall* on_before_close)(struct _cef_life_span_handler_t* self, cef_browser_t* browser);
} cef_life_span_handler_t;

typedef struct _cef_render_handler_t {
  cef_base_t base;
  int(__stdcall* get_root_screen_rect)(struct _cef_render_handler_t* self, cef_browser_t* browser,
                                       cef_rect_t* rect);
  // The view's size in pixels (x and y are ignored); 0 leaves it unchanged.
  int(__stdcall* get_view_rect)(struct _cef_render_handler_t* self, cef_browser_t* browser,
                                cef_rect_t* rect);
  int(__stdcall* get_screen_point)(struct _cef_render_handler_t* self, cef_browser_t* browser,
                                   int view_x, int view_y, int* screen_x, int* screen_y);
  void(__stdcall* on_popup_show)(struct _cef_render_handler_t* self, cef_browser_t* browser,
                                 int show);
  void(__stdcall* on_popup_size)(struct _cef_render_handler_t* self, cef_browser_t* browser,
                                 const cef_rect_t* rect);
  // On TID_UI. buffer: width x height premultiplied BGRA pixels, top row
  // first, valid during the call.
  void(__stdcall* on_paint)(struct _cef_render_handler_t* self, cef_browser_t* browser,
                            cef_paint_element_type_t type, size_t dirty_rects_count,
                            const cef_rect_t* dirty_rects, const void* buffer, int width,
                            int height);
  // On TID_UI: the page's cursor under the mouse changed. A shared system
  // cursor, never destroyed.
  void(__stdcall* on_cursor_change)(struct _cef_render_handler_t* self, cef_browser_t* browser,
                                    HCURSOR cursor);
} cef_render_handler_t;

typedef struct _cef_display_handler_t {
  cef_base_t base;
  void(__stdcall* on_address_change)(struct _cef_display_handler_t* self, cef_browser_t* browser,
                                     cef_frame_t* frame, const cef_string_t* url);
  void(__stdcall* on_title_change)(struct _cef_display_handler_t* self, cef_browser_t* browser,
                                   const cef_string_t* title);
  // Returns 1 to keep the message off the log.
  int(__stdcall* on_console_message)(struct _cef_display_handler_t* self, cef_browser_t* browser,
                                     const cef_string_t* message, const cef_string_t* source,
                                     int line);
} cef_display_handler_t;

typedef struct _cef_load_handler_t {
  cef_base_t base;
  void(__stdcall* on_loading_state_change)(struct _cef_load_handler_t* self, cef_browser_t* browser,
                                           int is_loading, int can_go_back, int can_go_forward);
  void(__stdcall* on_load_start)(struct _cef_load_handler_t* self, cef_browser_t* browser,
                                 cef_frame_t* frame);
  void(__stdcall* on_load_end)(struct _cef_load_handler_t* self, cef_browser_t* browser,
                               cef_frame_t* frame, int http_status_code);
  // error_code: a negative network error number.
  void(__stdcall* on_load_error)(struct _cef_load_handler_t* self, cef_browser_t* browser,
                                 cef_frame_t* frame, int error_code, const cef_string_t* error_text,
                                 const cef_string_t* failed_url);
} cef_load_handler_t;

typedef struct _cef_jsdialog_callback_t {
  cef_base_t base;
  // Closes the dialog: success is OK (1) or cancel (0); user_input answers a
  // prompt.
  void(__stdcall* cont)(struct _cef_jsdialog_callback_t* self, int success,
                        const cef_string_t* user_input);
} cef_jsdialog_callback_t;

typedef struct _cef_jsdialog_handler_t {
  cef_base_t base;
  // Returns 1 to close the dialog later through `callback`. Returning 0 with
  // *suppress_message set closes it at once as cancelled; the runtime shows
  // no dialog of its own either way.
  int(__stdcall* on_jsdialog)(struct _cef_jsdialog_handler_t* self, cef_browser_t* browser,
                              const cef_string_t* origin_url, cef_jsdialog_type_t dialog_type,
                              const cef_string_t* message_text,
                              const cef_string_t* default_prompt_text,
                              cef_jsdialog_callback_t* callback, int* suppress_message);
} cef_jsdialog_handler_t;

// Asked on TID_UI while the request waits.
typedef struct _cef_request_handler_t {
  cef_base_t base;
  // A navigation of a frame; 1 cancels it.
  int(__stdcall* on_before_browse)(struct _cef_request_handler_t* self, cef_browser_t* browser,
                                   cef_frame_t* frame, cef_request_t* request, int is_redirect);
  // Any request of the page, navigations included once allowed.
  cef_return_value_t(__stdcall* on_before_resource_load)(struct _cef_request_handler_t* self,
                                                         cef_browser_t* browser, cef_frame_t* frame,
                                                         cef_request_t* request,
                                                         cef_request_callback_t* callback);
  void(__stdcall* on_render_process_terminated)(struct _cef_request_handler_t* self,
                                                cef_browser_t* browser,
                                                cef_termination_status_t status);
  // A frame navigates to an address of a protocol the runtime does not load
  // itself; set *allow_os_execution to 1 to hand it to the system's handler
  // of that protocol.
  void(__stdcall* on_protocol_execution)(struct _cef_request_handler_t* self,
                                         cef_browser_t* browser, const cef_string_t* url,
                                         int* allow_os_execution);
  // An origin asks to keep up to new_size bytes of persistent storage;
  // returns 1 to answer through `callback` (cont: 1 grants). The host
  // browser no longer asks for storage quota, so this runtime never calls
  // it; it stays for clients that answer it.
  int(__stdcall* on_quota_request)(struct _cef_request_handler_t* self, cef_browser_t* browser,
                                   const cef_string_t* origin_url, int64_t new_size,
                                   cef_request_callback_t* callback);
} cef_request_handler_t;

// One download of a page, as it stands when handed to the client.
typedef struct _cef_download_item_t {
  cef_base_t base;
  int(__stdcall* is_valid)(struct _cef_download_item_t* self);
  int(__stdcall* is_in_progress)(struct _cef_download_item_t* self);
  int(__stdcall* is_complete)(struct _cef_download_item_t* self);
  int(__stdcall* is_canceled)(struct _cef_download_item_t* self);
  int64_t(__stdcall* get_received_bytes)(struct _cef_download_item_t* self);
  // -1 while unknown.
  int64_t(__stdcall* get_total_bytes)(struct _cef_download_item_t* self);
  // Unique in the process, from 1 up.
  uint32_t(__stdcall* get_id)(struct _cef_download_item_t* self);
  // Where the file is saved; empty until the client chose.
  cef_string_userfree_t(__stdcall* get_full_path)(struct _cef_download_item_t* self);
  cef_string_userfree_t(__stdcall* get_url)(struct _cef_download_item_t* self);
  cef_string_userfree_t(__stdcall* get_suggested_file_name)(struct _cef_download_item_t* self);
} cef_download_item_t;

typedef struct _cef_before_download_callback_t {
  cef_base_t base;
  // Saves the download at `download_path` (a Windows path). Called during
  // on_before_download or never: a download not continued then is
  // cancelled. show_dialog is not supported.
  void(__stdcall* cont)(struct _cef_before_download_callback_t* self,
                        const cef_string_t* download_path, int show_dialog);
} cef_before_download_callback_t;

typedef struct _cef_download_item_callback_t {
  cef_base_t base;
  void(__stdcall* cancel)(struct _cef_download_item_callback_t* self);
} cef_download_item_callback_t;

// Asked on TID_UI.
typedef struct _cef_download_handler_t {
  cef_base_t base;
  void(__stdcall* on_before_download)(struct _cef_download_handler_t* self, cef_browser_t* browser,
                                      cef_download_item_t* download_item,
                                      const cef_string_t* suggested_name,
                                      cef_before_download_callback_t* callback);
  // The download received data, completed (saved at its full path) or was
  // cancelled.
  void(__stdcall* on_download_updated)(struct _cef_download_handler_t* self, cef_browser_t* browser,
                                       cef_download_item_t* download_item,
                                       cef_download_item_callback_t* callback);
} cef_download_handler_t;

typedef enum {
  // One existing file.
  FILE_DIALOG_OPEN = 0,
  // Any number of existing files.
  FILE_DIALOG_OPEN_MULTIPLE = 1,
} cef_file_dialog_mode_t;

typedef struct _cef_file_dialog_callback_t {
  cef_base_t base;
  // The page gets these files (Windows paths); the list stays the caller's.
  void(__stdcall* cont)(struct _cef_file_dialog_callback_t* self, int selected_accept_filter,
                        cef_string_list_t file_paths);
  // The page gets no file.
  void(__stdcall* cancel)(struct _cef_file_dialog_callback_t* self);
} cef_file_dialog_callback_t;

typedef struct _cef_dialog_handler_t {
  cef_base_t base;
  // A page's file input asks for files, on TID_UI. accept_filters: the
  // input's accepted types and extensions. Returns 1 to answer through
  // `callback`, now or later; with 0 the page gets no file, the runtime
  // showing no dialog of its own.
  int(__stdcall* on_file_dialog)(struct _cef_dialog_handler_t* self, cef_browser_t* browser,
                                 cef_file_dialog_mode_t mode, const cef_string_t* title,
                                 const cef_string_t* default_file_path,
                                 cef_string_list_t accept_filters, int selected_accept_filter,
                                 cef_file_dialog_callback_t* callback);
} cef_dialog_handler_t;

// The commands of the entries the runtime puts in a page's context menu.
typedef enum {
  MENU_COMMAND_BACK = 1,
  MENU_COMMAND_FORWARD = 2,
  MENU_COMMAND_RELOAD = 3,
  MENU_COMMAND_CUT = 4,
  MENU_COMMAND_COPY = 5,
  MENU_COMMAND_PASTE = 6,
  MENU_COMMAND_SELECT_ALL = 7,
} cef_menu_command_t;

// What lies where the page was right-clicked (or its menu key pressed).
typedef struct _cef_context_menu_params_t {
  cef_base_t base;
  // The point in view coordinates.
  int(__stdcall* get_x)(struct _cef_context_menu_params_t* self);
  int(__stdcall* get_y)(struct _cef_context_menu_params_t* self);
  // The address of the link there; empty when there is none.
  cef_string_userfree_t(__stdcall* get_link_url)(struct _cef_context_menu_params_t* self);
  // The selected text; empty when nothing is selected.
  cef_string_userfree_t(__stdcall* get_selection_text)(struct _cef_context_menu_params_t* self);
  // 1 in an element that takes typed text.
  int(__stdcall* is_editable)(struct _cef_context_menu_params_t* self);
  cef_string_userfree_t(__stdcall* get_page_url)(struct _cef_context_menu_params_t* self);
} cef_context_menu_params_t;

// The entries of a context menu, in order. A separator's command is 0 and
// its label empty. Used on TID_UI while the menu is being made.
typedef struct _cef_menu_model_t {
  cef_base_t base;
  int(__stdcall* clear)(struct _cef_menu_model_t* self);
  size_t(__stdcall* get_count)(struct _cef_menu_model_t* self);
  // -1 past the end.
  int(__stdcall* get_command_id_at)(struct _cef_menu_model_t* self, size_t index);
  cef_string_userfree_t(__stdcall* get_label_at)(struct _cef_menu_model_t* self, size_t index);
  int(__stdcall* add_item)(struct _cef_menu_model_t* self, int command_id,
                           const cef_string_t* label);
  int(__stdcall* add_separator)(struct _cef_menu_model_t* self);
  // 0 past the end.
  int(__stdcall* remove_at)(struct _cef_menu_model_t* self, size_t index);
} cef_menu_model_t;

// Asked on TID_UI when a page's context menu is due: a right-click the page
// did not cancel.
typedef struct _cef_context_menu_handler_t {
  cef_base_t base;
  // The model holds the runtime's entries for that place; what is left in
  // it afterwards is shown, nothing when it is empty.
  void(__stdcall* on_before_context_menu)(struct _cef_context_menu_handler_t* self,
                                          cef_browser_t* browser, cef_frame_t* frame,
                                          cef_context_menu_params_t* params,
                                          cef_menu_model_t* model);
  // An entry was chosen; returns 1 when the client carried it out, 0 to
  // let the runtime do the entry's own action.
  int(__stdcall* on_context_menu_command)(struct _cef_context_menu_handler_t* self,
                                          cef_browser_t* browser, cef_frame_t* frame,
                                          cef_context_menu_params_t* params, int command_id,
                                          uint32_t event_flags);
} cef_context_menu_handler_t;

typedef struct _cef_client_t {
  cef_base_t base;
  cef_display_handler_t*(__stdcall* get_display_handler)(struct _cef_client_t* self);
  cef_life_span_handler_t*(__stdcall* get_life_span_handler)(struct _cef_client_t* self);
  cef_load_handler_t*(__stdcall* get_load_handler)(struct _cef_client_t* self);
  cef_render_handler_t*(__stdcall* get_render_handler)(struct _cef_client_t* self);
  cef_request_handler_t*(__stdcall* get_request_handler)(struct _cef_client_t* self);
  cef_jsdialog_handler_t*(__stdcall* get_jsdialog_handler)(struct _cef_client_t* self);
  // A message a page side sent to PID_BROWSER, on TID_UI; 1 when handled.
  int(__stdcall* on_process_message_received)(struct _cef_client_t* self, cef_browser_t* browser,
                                              cef_process_id_t source_process,
                                              cef_process_message_t* message);
  cef_dialog_handler_t*(__stdcall* get_dialog_handler)(struct _cef_client_t* self);
  cef_download_handler_t*(__stdcall* get_download_handler)(struct _cef_client_t* self);
  cef_context_menu_handler_t*(__stdcall* get_context_menu_handler)(struct _cef_client_t* self);
} cef_client_t;

// Start-up and shut-down.

// A hash of this interface; a caller built for another interface must not
// call further. entry 0: the whole interface.
QOZ_CEF_EXPORT const char* cef_api_hash(int entry);
QOZ_CEF_EXPORT void cef_enable_highdpi_support(void);
// -1 in the browser process, whose command line names no process type; in a
// sub-process, its exit code once its work is done.
QOZ_CEF_EXPORT int cef_execute_process(const cef_main_args_t* args, cef_app_t* application,
                                       void* windows_sandbox_info);
// 1 when the runtime started. Start-up hooks of `application` run during the
// call; the runtime keeps a reference to it until cef_shutdown.
QOZ_CEF_EXPORT int cef_initialize(const cef_main_args_t* args, const cef_settings_t* settings,
                                  cef_app_t* application, void* windows_sandbox_info);
// Closes every browser, ends the host browser and releases every object the
// runtime holds. Harmless when the runtime did not start.
QOZ_CEF_EXPORT void cef_shutdown(void);
QOZ_CEF_EXPORT void cef_do_message_loop_work(void);

// Threads.
QOZ_CEF_EXPORT int cef_currently_on(cef_thread_id_t thread_id);
// 1 when posted; the runtime holds the task until it has run, or until
// shut-down drops it.
QOZ_CEF_EXPORT int cef_post_task(cef_thread_id_t thread_id, cef_task_t* task);

// Creates a browser asynchronously; its client hears on_after_created on
// TID_UI. 1 when the request was accepted.
QOZ_CEF_EXPORT int cef_browser_host_create_browser(const cef_window_info_t* window_info,
                                                   cef_client_t* client, const cef_string_t* url,
                                                   const cef_browser_settings_t* settings,
                                                   void* request_context);

// The page side (TID_RENDERER). An extension's code runs in every new
// document; each "native function NAME();" declaration in it becomes a
// function whose calls reach `handler`. 1 when registered.
QOZ_CEF_EXPORT int cef_register_extension(const cef_string_t* extension_name,
                                          const cef_string_t* javascript_code,
                                          cef_v8handler_t* handler);
// The context whose script is running, or was entered last; null outside.
QOZ_CEF_EXPORT cef_v8context_t* cef_v8context_get_current_context(void);
QOZ_CEF_EXPORT cef_v8value_t* cef_v8value_create_bool(int value);
QOZ_CEF_EXPORT cef_v8value_t* cef_v8value_create_string(const cef_string_t* value);
QOZ_CEF_EXPORT cef_process_message_t* cef_process_message_create(const cef_string_t* name);

// Cookies. The caller owns the returned reference; null before start-up.
QOZ_CEF_EXPORT cef_cookie_manager_t* cef_cookie_manager_get_global_manager(
    cef_completion_callback_t* callback);

// String functions. A set with copy != 0 makes the target own a copy.
QOZ_CEF_EXPORT int cef_string_utf16_set(const char16* source, size_t length,
                                        cef_string_utf16_t* output, int copy);
QOZ_CEF_EXPORT void cef_string_utf16_clear(cef_string_utf16_t* text);
QOZ_CEF_EXPORT int cef_string_utf16_cmp(const cef_string_utf16_t* first,
                                        const cef_string_utf16_t* second);
QOZ_CEF_EXPORT int cef_string_wide_to_utf16(const wchar_t* source, size_t length,
                                            cef_string_utf16_t* output);
QOZ_CEF_EXPORT int cef_string_utf8_to_utf16(const char* source, size_t length,
                                            cef_string_utf16_t* output);
QOZ_CEF_EXPORT cef_string_userfree_t cef_string_userfree_utf16_alloc(void);
QOZ_CEF_EXPORT void cef_string_userfree_utf16_free(cef_string_userfree_t text);

QOZ_CEF_EXPORT cef_string_list_t cef_string_list_alloc(void);
QOZ_CEF_EXPORT size_t cef_string_list_size(cef_string_list_t list);
// Copies entry `index` into `value`; 0 when there is no such entry.
QOZ_CEF_EXPORT int cef_string_list_value(cef_string_list_t list, size_t index, cef_string_t* value);
QOZ_CEF_EXPORT void cef_string_list_append(cef_string_list_t list, const cef_string_t* value);
QOZ_CEF_EXPORT void cef_string_list_clear(cef_string_list_t list);
QOZ_CEF_EXPORT void cef_string_list_free(cef_string_list_t list);
QOZ_CEF_EXPORT cef_string_list_t cef_string_list_copy(cef_string_list_t list);

QOZ_CEF_EXPORT cef_string_map_t cef_string_map_alloc(void);
QOZ_CEF_EXPORT size_t cef_string_map_size(cef_string_map_t map);
// Copy pair `index`'s key or value; 0 when there is no such pair.
QOZ_CEF_EXPORT int cef_string_map_key(cef_string_map_t map, size_t index, cef_string_t* key);
QOZ_CEF_EXPORT int cef_string_map_value(cef_string_map_t map, size_t index, cef_string_t* value);
// 0 when the key is there already: its value stays.
QOZ_CEF_EXPORT int cef_string_map_append(cef_string_map_t map, const cef_string_t* key,
                                         const cef_string_t* value);
QOZ_CEF_EXPORT void cef_string_map_free(cef_string_map_t map);

QOZ_CEF_EXPORT cef_string_multimap_t cef_string_multimap_alloc(void);
QOZ_CEF_EXPORT size_t cef_string_multimap_size(cef_string_multimap_t map);
QOZ_CEF_EXPORT int cef_string_multimap_key(cef_string_multimap_t map, size_t index,
                                           cef_string_t* key);
QOZ_CEF_EXPORT int cef_string_multimap_value(cef_string_multimap_t map, size_t index,
                                             cef_string_t* value);
QOZ_CEF_EXPORT int cef_string_multimap_append(cef_string_multimap_t map, const cef_string_t* key,
                                              const cef_string_t* value);
QOZ_CEF_EXPORT void cef_string_multimap_free(cef_string_multimap_t map);

#ifdef __cplusplus
}
#endif
