@echo off
rem Takes Crateload 2 away again, from an elevated Command Prompt, after the
rem application pools that use it are stopped:
rem
rem   uninstall.cmd x64|x86|both [FOLDER]
rem
rem with the architecture and folder given to install.cmd. Unregisters the
rem component with the regsvr32 of its kind, deletes its files and the
rem folder when empty. A build that is not there is nothing to do, unless
rem it is registered from another folder: then it says which and ends
rem with 1. Settings, download folders and the log file stay.
call "%~dp0install.cmd" /uninstall %*
exit /b %errorlevel%
