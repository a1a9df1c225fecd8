// Resource ids of Mivo. Message ids are the numbers of the message table; the
// other installer code names its messages by these constants.
#pragma once

// Dialog templates and icons
#define IDD_DOCUMENT 101
#define IDD_OPTIONS 102      // install options, in place
#define IDD_OPTIONS_DIR 103  // install options with the install directory
#define IDD_COPY_PROGRESS 106
#define IDI_MIVO 103

// Document and options dialogs (templates 101, 102, 103)
#define IDC_DOCUMENT_TEXT 1000
#define IDC_OPTION_GROUP 1001
#define IDC_OPTION_STARTUP 1002
#define IDC_INSTALL_DIR 1004
#define IDC_BROWSE_INSTALL_DIR 1005
#define IDC_OPTION_DESKTOP 1006
#define IDC_OPTION_ALL_USERS 1007
// Labels and frames carry ids of their own rather than -1 (0xFFFF), the id
// of a message box's text, so that nothing takes these dialogs for one.
#define IDC_DOCUMENT_LABEL 1020
#define IDC_INSTALL_DIR_FRAME 1021
#define IDC_OPTIONS_FRAME 1022

// Progress dialog (template 106)
#define IDC_PROGRESS_SOURCE 1008
#define IDC_PROGRESS_DESTINATION 1009
#define IDC_PROGRESS_BAR 1010  // files and bytes copied; its Cancel button is IDCANCEL

// Message table
#define MSG_SETUP_FILE_MISSING 1
#define MSG_SETUP_FILE_INVALID 2
#define MSG_CONFIRM_CANCEL_INSTALL 3
#define MSG_CONFIRM_UNINSTALL 4
#define MSG_READ_FAILED 5
#define MSG_OUT_OF_MEMORY 6
#define MSG_FATAL_ERROR 7
#define MSG_SHORTCUT_FAILED 8
#define MSG_REGISTRY_OPEN_FAILED 9
#define MSG_INSTALL_COMPLETE 10
#define MSG_INSTALL_DIR_DELETE_FAILED 11
#define MSG_REGISTRY_DELETE_FAILED 12
#define MSG_UNINSTALL_COMPLETE_RESTART 13
#define MSG_HELP_OK 15
#define MSG_HELP_CANCEL 16
#define MSG_UNINSTALLER_START_FAILED 17
#define MSG_START_FAILED 18
#define MSG_WRITE_FAILED 19
#define MSG_HELP_INSTALL_DIR 20
#define MSG_SPECIFY_INSTALL_DIR 21
#define MSG_NETWORK_FOLDER 22
#define MSG_COPY_FAILED 23
#define MSG_BAD_DIR_CHARS 24
#define MSG_HELP_ALL_USERS 25
#define MSG_UNINSTALL_COMPLETE 26
#define MSG_PER_USER_REMOVED 27
#define MSG_NEED_ADMIN 28
#define MSG_CONFIRM_PER_USER_UNINSTALL 29
#define MSG_PER_USER_UNAVAILABLE_9X 30
#define MSG_PROTECTED_INSTALL_DIR 31
#define MSG_CONFIRM_USED_INSTALL_DIR 32
#define MSG_FILE_IN_USE 33
#define MSG_FILE_HELD_BY 34
#define MSG_CLOSE_AND_RETRY 35
#define MSG_INSTALL_CANCELLED 36
#define MSG_NOTHING_CHANGED 37
#define MSG_NOT_RESTORED 38
#define MSG_UPDATE_CAPTION 39
