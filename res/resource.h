// Resource ids of the program (templates, menus, strings, controls, commands).
#pragma once

// Templates and shared resource ids.
#define IDD_ABOUTBOX 100
#define IDR_MAINFRAME 128
#define IDI_TARVELQUIST_SMALL 129
#define IDD_TARVELQUIST_INS 132
#define IDD_TARVELQUIST_FORM 134
#define IDS_MENU_BUTTON 302
#define IDP_SAVE_CONFLICT 303  // a save kept another writer's version aside: %1 saved file, %2 the kept one
#define IDM_MENU_BUTTON 402

// About box controls.
#define IDC_ABOUT_VERSION 202
#define IDC_ABOUT_NOTICE 203
#define IDC_ABOUT_ICON 204

// Task editor controls.
#define IDC_SUBJECT 1001
#define IDC_MEMO 1002
#define IDC_DUEDATE 1003
#define IDC_PRIORITY_A 1004
#define IDC_PRIORITY_B 1005
#define IDC_PRIORITY_C 1006
#define IDC_PRIORITY_P 1013
#define IDC_PRIORITY_1 1007
#define IDC_PRIORITY_2 1008
#define IDC_PRIORITY_3 1009
#define IDC_PRIORITY_4 1014
#define IDC_PRIORITY_5 1010
#define IDC_PRIORITY_6 1011
#define IDC_PRIORITY_7 1012
#define IDC_PRIORITY_8 1015
#define IDC_PRIORITY_9 1016
#define IDC_PRIORITY_0 1017
#define IDC_NODUEDATE 1018

// The list control of the form.
#define IDC_TASKLIST 1009

// Redo, beside the framework's undo (57643): the number the framework's own redo command has.
#define ID_EDIT_REDO 57644

// Task commands.
#define ID_TASK_EDIT 32778
#define ID_TASK_INSERT 32779
#define ID_TASK_DELETE 32780
#define ID_TASK_UP 32781
#define ID_TASK_DOWN 32782
