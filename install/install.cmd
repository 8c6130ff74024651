@echo off
rem Installs Crateload 2 from the package this script lies in, from an
rem elevated Command Prompt:
rem
rem   install.cmd x64|x86|both [FOLDER]
rem
rem Checks every file of the package against SHA256SUMS, copies the
rem component, its library and lspzip.exe of each architecture into its
rem install folder, registers the component with the regsvr32 of its kind
rem and prints the release installed. Without FOLDER the x64 build goes to
rem %ProgramFiles%\Kestrelbay\Crateload and the x86 build to
rem %ProgramFiles(x86)%\Kestrelbay\Crateload; with FOLDER, to FOLDER\x64
rem and FOLDER\x86. It stops at the first failure with a message that says
rem what to do, and ends with 0 only when everything was done. Running it
rem again, or over an earlier release, does no harm.
rem
rem uninstall.cmd runs this script with /uninstall first.
rem
rem Messages are echoed outside parenthesised blocks: a folder such as
rem "Program Files (x86)" would end a block early.
setlocal EnableExtensions DisableDelayedExpansion
set "ME=install.cmd"
set "MODE=install"
if /i not "%~1"=="/uninstall" goto mode_known
set "ME=uninstall.cmd"
set "MODE=uninstall"
shift
:mode_known
set "PACKAGE=%~dp0"
set "PACKAGE=%PACKAGE:~0,-1%"
set "CLSID={185101C5-B533-4889-B37D-D83C320D43AB}"
set "FILES=kbaycl20.dll lspzipx.dll lspzip.exe"

set "ARCHES="
if /i "%~1"=="x64" set "ARCHES=x64"
if /i "%~1"=="x86" set "ARCHES=x86"
if /i "%~1"=="both" set "ARCHES=x64 x86"
if not defined ARCHES goto usage
if not "%~3"=="" goto usage
set "FOLDER=%~2"
if defined FOLDER if "%FOLDER:~-1%"=="\" set "FOLDER=%FOLDER:~0,-1%"

rem A 32-bit Command Prompt on 64-bit Windows sees the 32-bit System32 and
rem Program Files; Sysnative and ProgramW6432 are the 64-bit ones.
set "WIN64="
if /i "%PROCESSOR_ARCHITECTURE%"=="AMD64" set "WIN64=1"
if /i "%PROCESSOR_ARCHITECTURE%"=="ARM64" set "WIN64=1"
if defined PROCESSOR_ARCHITEW6432 set "WIN64=1"
set "SYSTEM64=%SystemRoot%\System32"
if defined PROCESSOR_ARCHITEW6432 set "SYSTEM64=%SystemRoot%\Sysnative"
set "PROGRAMS64=%ProgramFiles%"
if defined ProgramW6432 set "PROGRAMS64=%ProgramW6432%"

set "FAILED="
if "%MODE%"=="install" call :check_package
for %%A in (%ARCHES%) do if not defined FAILED call :%MODE% %%A
if defined FAILED exit /b 1
exit /b 0

:usage
echo usage: install.cmd x64^|x86^|both [FOLDER]
echo        uninstall.cmd x64^|x86^|both [FOLDER]
echo x64 for application pools with "Enable 32-Bit Applications" False, x86 for
echo those with True, both for both. Without FOLDER the x64 build lives in
echo %%ProgramFiles%%\Kestrelbay\Crateload and the x86 build in
echo %%ProgramFiles(x86)%%\Kestrelbay\Crateload; with FOLDER, in FOLDER\x64 and
echo FOLDER\x86. Give uninstall.cmd the folder given to install.cmd.
exit /b 2

rem Every file of the package as released, checked by the package's own
rem lspzip of this Windows's architecture before anything is changed.
:check_package
set "CHECKER=%PACKAGE%\x86\lspzip.exe"
if defined WIN64 set "CHECKER=%PACKAGE%\x64\lspzip.exe"
if not exist "%PACKAGE%\SHA256SUMS" goto package_failed
if not exist "%CHECKER%" goto package_failed
"%CHECKER%" -q --check-sha256 "%PACKAGE%\SHA256SUMS"
if errorlevel 1 goto package_failed
echo Every file of the package in %PACKAGE% is as released.
exit /b 0
:package_failed
echo %ME%: the package in %PACKAGE% is incomplete or changed: SHA256SUMS and
echo %CHECKER% must be there, and every file as listed. Nothing was
echo installed. Extract crateload-VERSION.zip again, check it against its .sha256
echo file, and run install.cmd from the extracted folder.
goto failed

rem TARGET, REGSVR32 and VIEW (reg.exe's switch for the registry view) of
rem one architecture.
:locate
set "TARGET=%FOLDER%\%~1"
set "VIEW="
if not defined WIN64 goto locate_on_32
if "%~1"=="x86" goto locate_x86
if not defined FOLDER set "TARGET=%PROGRAMS64%\Kestrelbay\Crateload"
set "REGSVR32=%SYSTEM64%\regsvr32.exe"
set "VIEW=/reg:64"
goto located
:locate_x86
if not defined FOLDER set "TARGET=%ProgramFiles(x86)%\Kestrelbay\Crateload"
set "REGSVR32=%SystemRoot%\SysWOW64\regsvr32.exe"
set "VIEW=/reg:32"
goto located
:locate_on_32
if "%~1"=="x64" goto no_x64
if not defined FOLDER set "TARGET=%ProgramFiles%\Kestrelbay\Crateload"
set "REGSVR32=%SystemRoot%\System32\regsvr32.exe"
:located
if exist "%REGSVR32%" exit /b 0
echo %ME%: %REGSVR32% is missing, so the %~1 build cannot be registered on this
echo Windows.
goto failed
:no_x64
echo %ME%: this Windows is 32-bit and runs the x86 build only: run %ME% x86.
goto failed

:install
call :locate %1
if defined FAILED exit /b 1
if not exist "%TARGET%\" mkdir "%TARGET%" 2>nul
if not exist "%TARGET%\" goto no_folder
rem A DLL that a worker process has loaded cannot be replaced until the
rem process ends. The component comes first: when it is in use nothing is
rem copied, and when it is not, no worker holds its library either.
for %%F in (%FILES%) do if not defined FAILED call :copy_file %1 "%%F"
if defined FAILED exit /b 1
"%REGSVR32%" /s "%TARGET%\kbaycl20.dll"
if errorlevel 1 goto not_registered
set "RELEASE="
for /f "tokens=1,2" %%V in ('call "%TARGET%\lspzip.exe" --version') do if "%%V"=="lspzip" set "RELEASE=%%W"
if not defined RELEASE goto does_not_run
echo %~1: Crateload %RELEASE% is installed in %TARGET% and registered.
exit /b 0
:no_folder
echo %ME%: cannot create the folder %TARGET%. Check the folder given, and run
echo %ME% from an elevated Command Prompt (Run as administrator).
goto failed
:not_registered
echo %ME%: %REGSVR32% could not register %TARGET%\kbaycl20.dll. Run %ME%
echo from an elevated Command Prompt (Run as administrator).
goto failed
:does_not_run
echo %ME%: %TARGET%\lspzip.exe does not run, so the installed files cannot be
echo trusted. Run %ME% again; if it fails again, extract the package anew.
goto failed

:copy_file
copy /Y /B "%PACKAGE%\%~1\%~2" "%TARGET%\%~2" >nul
if not errorlevel 1 exit /b 0
echo %ME%: cannot copy %~2 to %TARGET%: it is in use, or this prompt may not
echo write there. Stop the application pools that use the component (appcmd
echo stop apppool), or run %ME% from an elevated Command Prompt (Run as
echo administrator); then run %ME% again.
goto failed

:uninstall
call :locate %1
if defined FAILED exit /b 1
if not exist "%TARGET%\kbaycl20.dll" goto not_there
"%REGSVR32%" /s /u "%TARGET%\kbaycl20.dll"
if errorlevel 1 goto not_unregistered
for %%F in (%FILES%) do del /F /Q "%TARGET%\%%F" 2>nul
for %%F in (%FILES%) do if exist "%TARGET%\%%F" set "FAILED=1"
if defined FAILED goto in_use
rmdir "%TARGET%" 2>nul
for %%P in ("%TARGET%\..") do rmdir "%%~fP" 2>nul
echo %~1: Crateload is removed from %TARGET%.
exit /b 0
:not_unregistered
echo %ME%: %REGSVR32% /u could not unregister %TARGET%\kbaycl20.dll. Run
echo %ME% from an elevated Command Prompt (Run as administrator).
goto failed
:in_use
echo %ME%: the %~1 build is unregistered, but files in %TARGET% are in use.
echo Stop the application pools that use the component (appcmd stop apppool),
echo then run %ME% again.
goto failed

rem Nothing in the folder given: removed already, or the wrong folder. The
rem class's registration in the architecture's view tells which.
:not_there
set "SERVER="
for /f "tokens=*" %%L in ('reg query "HKLM\SOFTWARE\Classes\CLSID\%CLSID%\InprocServer32" /ve %VIEW% 2^>nul ^| find "REG_SZ"') do set "SERVER=%%L"
if not defined SERVER goto already_gone
set "SERVER=%SERVER:*REG_SZ=%"
for /f "tokens=*" %%S in ("%SERVER%") do set "SERVER=%%S"
echo %ME%: the %~1 build is not in %TARGET%; it is registered from
echo %SERVER%. Give %ME% the folder it was installed with. If its files are
echo gone, run install.cmd with that folder first.
goto failed
:already_gone
echo %~1: Crateload is not installed in %TARGET%; nothing to do.
exit /b 0

:failed
set "FAILED=1"
exit /b 1
