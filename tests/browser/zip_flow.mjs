// Drives headless Chromium through the sample site: tick two files, set a
// password, press Zip, follow the download link, and be refused the housekeeping page.
// usage: node zip_flow.mjs BASE_URL DOWNLOAD_DIR PROFILE_DIR PASSWORD FILE1 FILE2
import { chromium } from 'playwright-core';
import path from 'node:path';

const [base, downloadDir, profileDir, password, ...files] = process.argv.slice(2);
const report = {};
const context = await chromium.launchPersistentContext(profileDir, {
  executablePath: '/usr/bin/chromium',
  headless: true,
  acceptDownloads: true,
  args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-background-networking',
         '--disable-component-update', '--disable-sync', '--no-first-run', '--disable-quic'],
});
try {
  const page = context.pages()[0] ?? await context.newPage();
  page.setDefaultTimeout(60000);
  await page.goto(`${base}/zip.asp`);
  report.listed = await page.$$eval('input[name="file"]', boxes => boxes.map(b => b.value));
  report.labels = await page.$$eval('ul.files li', items => items.map(li => li.textContent.trim()));
  for (const file of files) await page.check(`input[name="file"][value="${file}"]`);
  await page.fill('input[name="password"]', password);
  await Promise.all([page.waitForNavigation(), page.click('button[type="submit"]')]);
  report.status = await page.getAttribute('#outcome', 'data-status');
  report.outcome = await page.textContent('#outcome');
  report.progressShown = (await page.content()).includes('Creating zip file, please wait');
  const link = page.locator('a', { hasText: 'selection.zip' });
  report.href = await link.getAttribute('href');
  const [download] = await Promise.all([page.waitForEvent('download'), link.click()]);
  report.download = path.join(downloadDir, download.suggestedFilename());
  await download.saveAs(report.download);

  // The housekeeping page is for signed-in accounts; this browser is anonymous.
  const refused = await page.goto(`${base}/housekeeping.asp?days=30`);
  report.housekeepingStatus = refused.status();
  report.housekeeping = await page.textContent('#refused');
} finally {
  await context.close();
}
console.log(JSON.stringify(report));
