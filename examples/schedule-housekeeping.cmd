@echo off
rem Creates a daily task that requests the housekeeping page as ACCOUNT, an
rem account of its own that the site lets in with Windows Authentication.
rem Run it once from an elevated prompt; schtasks asks for the password.
rem A failed request (refused, or an error in the page) makes PowerShell end
rem with 1, which Task Scheduler shows as the task's last result.
set URL=http://localhost/housekeeping.asp?days=2
set ACCOUNT=%COMPUTERNAME%\crateload-housekeeping

schtasks /Create /F /TN "Crateload housekeeping" /SC DAILY /ST 03:15 /RU "%ACCOUNT%" /RP * ^
  /TR "powershell.exe -NoProfile -NonInteractive -Command Invoke-WebRequest -UseBasicParsing -UseDefaultCredentials -Uri '%URL%'"
